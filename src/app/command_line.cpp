#include "app/command_line.h"

#ifndef LUMIRO_VERSION
#define LUMIRO_VERSION "0"
#endif

namespace lumiro::app {
namespace {

// The options Qt's application object takes out of the arguments itself, with one value or
// none; given with one dash or two.
bool isQtOption(QString option, bool& takesValue) {
    if (option.startsWith(QStringLiteral("--"))) option = option.mid(1);
    static const QStringList withValue = {
        QStringLiteral("-platform"),      QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"), QStringLiteral("-plugin"),
        QStringLiteral("-qmljsdebugger"), QStringLiteral("-qwindowgeometry"),
        QStringLiteral("-qwindowicon"),   QStringLiteral("-qwindowtitle"),
        QStringLiteral("-style"),         QStringLiteral("-stylesheet"),
        QStringLiteral("-session"),       QStringLiteral("-display"),
        QStringLiteral("-geometry"),      QStringLiteral("-title"),
        QStringLiteral("-name"),          QStringLiteral("-visual"),
        QStringLiteral("-ncols"),         QStringLiteral("-cmap")};
    static const QStringList alone = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount"),
                                      QStringLiteral("-nograb"),  QStringLiteral("-dograb"),
                                      QStringLiteral("-sync"),    QStringLiteral("-testability")};
    if (option.startsWith(u'-') && option.contains(u'=')) option.truncate(option.indexOf(u'='));
    takesValue = withValue.contains(option);
    return takesValue || alone.contains(option);
}

QString windowArgumentsError(const QStringList& rest) {
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QString& a = rest[i];
        bool takesValue = false;
        if (a.toLower() == u"rok") {
            if (i + 1 >= rest.size())
                return QStringLiteral("Po „rok” należy podać rok, np. rok 2004.");
            ++i;
        } else if (isQtOption(a, takesValue)) {
            if (takesValue && !a.contains(u'=')) {
                if (i + 1 >= rest.size())
                    return QStringLiteral("Po %1 należy podać wartość.").arg(a);
                ++i;
            }
        } else {
            return QStringLiteral("Nieznany argument „%1”.").arg(a);
        }
    }
    return {};
}

}  // namespace

CommandLine readCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (const QString& a : arguments) {
        HeadlessRun run = HeadlessRun::None;
        if (a == u"--help" || a == u"-h")
            line.help = true;
        else if (a == u"--version")
            line.version = true;
        else if (a == u"--home")
            line.home = true;
        else if (a == u"--pdf")
            run = HeadlessRun::Pdf;
        else if (a == u"--export")
            run = HeadlessRun::Export;
        else if (a == u"--import")
            run = HeadlessRun::Import;
        if (run != HeadlessRun::None) {
            if (line.headless != HeadlessRun::None && line.error.isEmpty())
                line.error = QStringLiteral(
                    "Opcje --pdf, --export i --import wykluczają się: "
                    "podaj jedną z nich.");
            line.headless = run;
        }
        if (a != u"--help" && a != u"-h" && a != u"--version" && a != u"--home")
            line.rest.push_back(a);
    }
    if (line.headless == HeadlessRun::None && line.error.isEmpty())
        line.error = windowArgumentsError(line.rest);
    return line;
}

QString usageText() {
    return QStringLiteral(
        "Użycie: lumiro [--home] [rok RRRR]\n"
        "        lumiro --pdf DOKUMENT PLIK.pdf|FOLDER [--each] [--payer N] "
        "[--employee M]... [rok RRRR]\n"
        "        lumiro --export TABELA PLIK [--columns A;B;C] [--utf8] [rok RRRR]\n"
        "        lumiro --import TABELA PLIK [--utf8 | --cp1250] [rok RRRR]\n"
        "        lumiro --help | --version\n");
}

QString helpText(const QStringList& documents) {
    return usageText() +
           QStringLiteral(
               "\n"
               "Kartoteka pracowników i dokumenty ZUS do ustalenia kapitału początkowego.\n"
               "\n"
               "  rok RRRR       rok roboczy, np. rok 2004\n"
               "  --home         praca w folderze domowym programu (jak przy starcie z menu)\n"
               "  --pdf DOKUMENT PLIK.pdf\n"
               "                 zapis dokumentu do pliku PDF bez otwierania okien;\n"
               "                 dokumenty: %1\n"
               "  --each         osobny plik każdego pracownika w folderze FOLDER\n"
               "                 (np. \"Rp-7 Kowalska Anna 85010112345.pdf\"); istniejących\n"
               "                 plików program nie zastępuje\n"
               "  --payer N      numer płatnika (domyślnie pierwszy)\n"
               "  --employee M   numer pracownika, można podać wiele razy (domyślnie wszyscy)\n"
               "  --export TABELA PLIK\n"
               "                 zapis tabeli do pliku tekstowego rozdzielanego średnikami;\n"
               "                 tabele: RP7, ZAR, ZAL, ZAL2, ZAL3\n"
               "  --columns A;B;C  kolumny pliku w tej kolejności (POLE albo POLE=NAZWA);\n"
               "                 domyślnie wszystkie pola tabeli pod ich nazwami\n"
               "  --utf8         plik w kodowaniu UTF-8 (domyślnie Windows-1250)\n"
               "  --import TABELA PLIK\n"
               "                 wczytanie pliku do tabeli, z tymi samymi regułami co okno\n"
               "                 importu; kodowanie rozpoznawane, chyba że podano --utf8\n"
               "                 albo --cp1250; wczytany plik dostaje „z” przed nazwą\n"
               "  --help         ten opis\n"
               "  --version      wersja programu\n"
               "\n"
               "Folder roboczy: folder, w którym program uruchomiono, jeśli zawiera FIRMA.DB;\n"
               "w przeciwnym razie (i zawsze z --home) $LUMIRO_HOME, a gdy nie jest ustawiona,\n"
               "~/Lumiro. Brakujący lub pusty folder domowy jest przy pierwszym uruchomieniu\n"
               "zakładany i wypełniany danymi instalacyjnymi; folderu z plikami program nie\n"
               "nadpisuje.\n"
               "\n"
               "Kod wyjścia: 0 - sukces, 1 - błąd danych, folderu lub pliku (nic nie zostało\n"
               "zapisane), 2 - błędny wiersz poleceń.\n")
               .arg(documents.join(QStringLiteral(", ")));
}

QString versionText() {
    return QStringLiteral("lumiro " LUMIRO_VERSION "\n");
}

}  // namespace lumiro::app
