// Where laid-out pages go: a printer, a PDF file, or a recording for tests. The print
// commands send each run of a report to one target, one job per call.
#pragma once

#include <QString>

#include <chrono>
#include <optional>
#include <vector>

#include "reports/document.h"

namespace lumiro::reports {

class [[nodiscard]] PrintStatus {
  public:
    static PrintStatus success() { return PrintStatus(); }
    static PrintStatus failure(QString message) { return PrintStatus(std::move(message)); }

    bool ok() const { return !message_.has_value(); }
    explicit operator bool() const { return ok(); }
    // For the user, in Polish; empty on success.
    QString message() const { return message_.value_or(QString()); }

  private:
    PrintStatus() = default;
    explicit PrintStatus(QString message) : message_(std::move(message)) {}
    std::optional<QString> message_;
};

class PrintTarget {
  public:
    virtual ~PrintTarget() = default;
    // Sends the document as one job named `title` and returns once the pages are handed
    // over. An empty document sends nothing and succeeds.
    virtual PrintStatus print(const Document& document, const QString& title) = 0;
};

// The printer of that name, or the system's default printer for an empty name: one copy,
// no dialog, both sides of the sheet when the pages ask for it. On CUPS the job is checked
// after it was handed over: refused, stopped or aborted jobs are failures, and so is a
// printer that holds the job because it was stopped.
class PrinterTarget : public PrintTarget {
  public:
    explicit PrinterTarget(QString printerName = {}) : printerName_(std::move(printerName)) {}
    PrintStatus print(const Document& document, const QString& title) override;

    // How long a job that CUPS has queued may wait for its printer before the call returns
    // it as queued; a job the printer takes earlier returns at once.
    void setSettleTime(std::chrono::milliseconds time) { settleTime_ = time; }

  private:
    QString printerName_;
    std::chrono::milliseconds settleTime_{3000};
};

// Writes each job to the file, replacing it; see writePdf.
class PdfFileTarget : public PrintTarget {
  public:
    explicit PdfFileTarget(QString path) : path_(std::move(path)) {}
    PrintStatus print(const Document& document, const QString& title) override;

  private:
    QString path_;
};

// Keeps every job; can be told to fail one, for the failure paths of the callers.
class RecordingTarget : public PrintTarget {
  public:
    struct Job {
        QString title;
        Document document;
    };

    PrintStatus print(const Document& document, const QString& title) override;

    // The job with this zero-based number (counting every call) fails with the message and
    // is not recorded.
    void failJob(std::size_t number, QString message) {
        failAt_ = number;
        failMessage_ = std::move(message);
    }

    const std::vector<Job>& jobs() const { return jobs_; }
    // Every recorded page in the order sent, e.g. to write them into one PDF file.
    Document allPages() const;
    void clear() { jobs_.clear(); }

  private:
    std::vector<Job> jobs_;
    std::size_t calls_ = 0;
    std::optional<std::size_t> failAt_;
    QString failMessage_;
};

// Writes the pages into one PDF file (A4 or each page's size, the fonts embedded), with the
// title and author in its document information and Lumiro as its creator. The file appears
// complete or not at all: it is written under a temporary name beside it and renamed at the
// end, and an existing file stays as it was when writing fails.
PrintStatus writePdf(const Document& document, const QString& path, const QString& title,
                     const QString& author = {});

}  // namespace lumiro::reports
