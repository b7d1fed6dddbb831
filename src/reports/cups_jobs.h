// What the CUPS server says about the jobs Qt hands it. Qt discards the result of its job
// submission, so the print target asks the server itself.
#pragma once

#include <QString>

#include <chrono>
#include <optional>

namespace lumiro::reports::cups {

// Whether this build talks to CUPS at all.
bool available();

// The highest job number the server holds for `printer` (0 for none), or nothing when the
// server cannot be asked.
std::optional<int> lastJob(const QString& printer);

// Call right after the painter on the printer ended. Checks the result of the submission and
// then, when the job number before it is known, the new job above `jobBefore`: a job the printer
// takes, or that is queued behind other jobs, is sent at once; one with nothing ahead is given
// up to `settle` to start. A refused, stopped, held or aborted job, or one waiting on a stopped
// printer, is a failure. Returns the failure's message for the user.
std::optional<QString> checkSubmitted(const QString& printer, std::optional<int> jobBefore,
                                      std::chrono::milliseconds settle);

}  // namespace lumiro::reports::cups
