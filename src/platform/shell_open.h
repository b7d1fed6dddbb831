// Opening documents, web addresses and mail links with the user's default programs. No
// command line is ever built, so no text from data can reach a shell.
#pragma once

#include <QUrl>

#include <vector>

namespace lumiro::platform {

class ShellOpener {
  public:
    virtual ~ShellOpener() = default;
    // False when no program could open the address.
    virtual bool open(const QUrl& url) = 0;
    bool openFile(const QString& path) { return open(QUrl::fromLocalFile(path)); }
};

// Test double: remembers what would have been opened.
class RecordingShellOpener : public ShellOpener {
  public:
    explicit RecordingShellOpener(bool succeeds = true) : succeeds_(succeeds) {}
    bool open(const QUrl& url) override {
        opened_.push_back(url);
        return succeeds_;
    }
    const std::vector<QUrl>& opened() const { return opened_; }

  private:
    bool succeeds_;
    std::vector<QUrl> opened_;
};

}  // namespace lumiro::platform
