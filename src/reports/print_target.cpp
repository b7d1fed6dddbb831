#include "reports/print_target.h"

namespace lumiro::reports {

PrintStatus PdfFileTarget::print(const Document& document, const QString& title) {
    if (document.empty()) return PrintStatus::success();
    return writePdf(document, path_, title);
}

PrintStatus RecordingTarget::print(const Document& document, const QString& title) {
    const std::size_t call = calls_++;
    if (failAt_ && *failAt_ == call) return PrintStatus::failure(failMessage_);
    jobs_.push_back(Job{title, document});
    return PrintStatus::success();
}

Document RecordingTarget::allPages() const {
    Document all;
    for (const Job& job : jobs_)
        all.pages.insert(all.pages.end(), job.document.pages.begin(), job.document.pages.end());
    return all;
}

}  // namespace lumiro::reports
