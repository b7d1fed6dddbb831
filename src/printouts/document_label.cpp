#include "printouts/document_label.h"

namespace lumiro::printouts {
namespace {

const QString kDash = QStringLiteral(" – ");

QString sideSuffix(const ReportForm::Kind& kind) {
    return kind.side > 1 ? QStringLiteral(" str. %1").arg(kind.side) : QString();
}

QString joined(std::initializer_list<QString> parts) {
    QString out;
    for (const QString& part : parts) {
        const QString p = part.simplified();
        if (p.isEmpty()) continue;
        if (!out.isEmpty()) out += u' ';
        out += p;
    }
    return out;
}

}  // namespace

DocumentLabel employeeDocumentLabel(const ReportForm& form, const QString& employee,
                                    const QString& payer) {
    const ReportForm::Kind kind = form.kind();
    const QString who = employee.simplified();
    DocumentLabel label;
    label.fileName =
        safeFileName(joined({kind.file, who}) + sideSuffix(kind) + QStringLiteral(".pdf"));
    label.title = kind.title + sideSuffix(kind) + (who.isEmpty() ? QString() : kDash + who);
    label.author = payer.simplified();
    return label;
}

DocumentLabel employeeFileLabel(const ReportForm& form, const QString& employee,
                                const QString& pesel, const QString& payer) {
    const ReportForm::Kind kind = form.kind();
    const QString who = employee.simplified();
    DocumentLabel label;
    label.fileName = safeFileName(joined({kind.file, who, pesel}) + QStringLiteral(".pdf"));
    label.title = kind.title + (who.isEmpty() ? QString() : kDash + who);
    label.author = payer.simplified();
    return label;
}

QString employeesTitle(const ReportForm& form, int employees) {
    return form.kind().title + kDash + QStringLiteral("%1 ubezpieczonych").arg(employees);
}

DocumentLabel listDocumentLabel(const ListHeading& heading, const QString& payer) {
    const QString base = QStringLiteral("Wykaz ubezpieczonych");
    const QString number = heading.number.simplified();
    const QString year = heading.year.simplified();
    const QString date = heading.date.simplified();
    const QString numbered = number.isEmpty() ? QString()
                                              : QStringLiteral("nr ") + number +
                                                    (year.isEmpty() ? QString() : u'/' + year);
    const QString dated = date.isEmpty() ? QString() : QStringLiteral("z dnia ") + date;
    DocumentLabel label;
    // A slash would make a folder of the number; a hyphen reads the same in a file name.
    label.fileName = safeFileName(joined({base, QString(numbered).replace(u'/', u'-'), dated}) +
                                  QStringLiteral(".pdf"));
    label.title = joined({base, numbered.isEmpty() ? dated : numbered});
    label.author = payer.simplified();
    return label;
}

QString safeFileName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (QChar c : name)
        out += c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c) ? QChar(u'_') : c;
    qsizetype start = 0;
    while (start < out.size() && (out.at(start) == u'.' || out.at(start).isSpace())) ++start;
    out = out.mid(start);
    while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
    return out.isEmpty() || out == QStringLiteral(".pdf") ? QStringLiteral("wydruk.pdf") : out;
}

}  // namespace lumiro::printouts
