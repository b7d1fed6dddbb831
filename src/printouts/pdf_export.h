// A document as a PDF file, made without a window or a printer (lumiro --pdf): the pages that
// printing would send for the chosen employees, in print order, every reverse side included.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace lumiro::data {
class Tdane;
}

namespace lumiro::printouts {

struct PdfRequest {
    QString document;  // "rp7", "kp1", "rp6", "zalacznik", "zaswiadczenie", "wykaz"
    QString file;
    std::optional<std::int64_t> payer;    // the first payer when absent
    std::vector<std::int64_t> employees;  // every employee of the payer when empty
    // The heading of the list of insured; as its dialog fills it when absent: no number,
    // the working year, today's date.
    std::optional<QString> listNumber;
    std::optional<QString> listYear;
    std::optional<QString> listDate;
    // One file per employee, both sides of every sheet, into the folder `file` names:
    // "Rp-7 Kowalska Anna 85010112345.pdf". A file of that name already there is not replaced.
    bool each = false;
};

// The documents this build makes, as the command line names them.
std::vector<QString> pdfDocuments();

// Writes the file, or with `each` the files (each complete or not at all; an employee that
// cannot be printed fails the run). The title of each file names the document and the employee
// (or the list's number), its author is the payer. On failure returns false with one Polish
// sentence in `error`; `note` receives what the commands would have shown as a warning, and
// `written` the paths of the files written, also those written before a failure.
bool exportPdf(data::Tdane& dane, const PdfRequest& request, QString& error,
               const std::function<void(const QString&)>& note,
               std::vector<QString>* written = nullptr);

}  // namespace lumiro::printouts
