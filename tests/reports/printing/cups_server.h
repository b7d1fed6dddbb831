// A CUPS server of the test's own: its configuration, spool and socket in a temporary
// folder, its queues writing into files there. Nothing of the machine's printing is used.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

#include "support/temp_dir.h"

namespace lumiro::test {

class CupsServer {
  public:
    enum class Queue {
        Working,    // writes each job into its output file
        Failing,    // its file lies in a folder that does not exist
        Rejecting,  // does not accept jobs
        Stopped,    // accepts jobs and holds them
        Busy,       // accepts jobs and works on the first for minutes: the others wait in turn
    };
    struct QueueSetup {
        QString name;
        Queue kind;
    };

    // Writes the configuration; the first queue is the default printer.
    explicit CupsServer(std::vector<QueueSetup> queues);
    ~CupsServer();  // stops the daemon

    // Starts cupsd in the foreground and waits until it lists every queue. On failure,
    // error() says why (with the daemon's log).
    bool start();
    void stop();
    QString error() const { return error_; }

    QString socket() const { return root_ + QStringLiteral("/cups.sock"); }
    // The file a working queue writes its jobs into (each job replaces it).
    QString output(const QString& queue) const;
    QString log() const;

  private:
    bool writeConfiguration();

    TempDir dir_;
    QString root_;
    std::vector<QueueSetup> queues_;
    std::unique_ptr<QProcess> daemon_;
    QString error_;
};

}  // namespace lumiro::test
