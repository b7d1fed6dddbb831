// The older data layout kept one folder per year in the data root; the working year must be
// one of them, and a new year's folder is due in the second half of December.
#include <QDir>

#include "data/data_module.h"
#include "platform/program_paths.h"

namespace lumiro::data {

void Tdane::SprawdzRok() {
    ListaLat.clear();
    if (values_.SciezkaDanych.isEmpty()) {
        values_.SciezkaDanych = QDir::toNativeSeparators(env_.programFolder);
        if (!values_.SciezkaDanych.endsWith(QDir::separator())) {
            values_.SciezkaDanych += QDir::separator();
        }
    }

    if (auto root = platform::findExisting(values_.SciezkaDanych)) {
        const QStringList entries =
            QDir(*root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QString& entry : entries) {
            if (!entry.startsWith(u'1') && !entry.startsWith(u'2')) continue;
            const QString year = entry.left(4);
            auto at = std::find_if(ListaLat.begin(), ListaLat.end(),
                                   [&](const QString& listed) { return listed > year; });
            ListaLat.insert(at, year);
        }
    }

    if (arguments_.size() >= 2 && arguments_[0].toLower() == u"rok") {
        values_.RokRoboczy = arguments_[1].left(4);
    }

    if (!ListaLat.isEmpty() && !ListaLat.contains(values_.RokRoboczy)) {
        prompter_.warning(QStringLiteral("Brak otwartego roku : ") + values_.RokRoboczy + u'\n' +
                          QStringLiteral("Rok zostanie zmieniony na : ") + ListaLat.last());
        values_.RokRoboczy = ListaLat.last();
    }

    if (values_.DataDzis.mid(5, 5) > QStringLiteral("12.15") && !ListaLat.isEmpty()) {
        const QString coming = QString::number(values_.DataDzis.left(4).toInt() + 1);
        if (!ListaLat.contains(coming)) {
            prompter_.warning(QStringLiteral("Proszę otworzyć nowy rok ") + coming + u'\n' +
                              QStringLiteral("w celu poprawnego działania programu w nowym roku."));
        }
    }
}

}  // namespace lumiro::data
