#include "app/command_line.h"

#ifndef LUMIRO_VERSION
#define LUMIRO_VERSION "0"
#endif

namespace lumiro::app {

CommandLine readCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (const QString& a : arguments) {
        if (a == u"--help" || a == u"-h")
            line.help = true;
        else if (a == u"--version")
            line.version = true;
        else if (a == u"--home")
            line.home = true;
        else
            line.rest.push_back(a);
    }
    return line;
}

QString helpText(const QStringList& documents) {
    return QStringLiteral(
               "Użycie: lumiro [--home] [rok RRRR]\n"
               "        lumiro --pdf DOKUMENT PLIK.pdf|FOLDER [--each] [--payer N] "
               "[--employee M]... [rok RRRR]\n"
               "        lumiro --help | --version\n"
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
               "  --help         ten opis\n"
               "  --version      wersja programu\n"
               "\n"
               "Folder roboczy: folder, w którym program uruchomiono, jeśli zawiera FIRMA.DB;\n"
               "w przeciwnym razie (i zawsze z --home) $LUMIRO_HOME, a gdy nie jest ustawiona,\n"
               "~/Lumiro. Brakujący lub pusty folder domowy jest przy pierwszym uruchomieniu\n"
               "zakładany i wypełniany danymi instalacyjnymi; folderu z plikami program nie\n"
               "nadpisuje.\n"
               "\n"
               "Kod wyjścia: 0 - sukces, 1 - błąd danych, folderu lub pliku, "
               "2 - błędny wiersz poleceń.\n")
        .arg(documents.join(QStringLiteral(", ")));
}

QString versionText() {
    return QStringLiteral("lumiro " LUMIRO_VERSION "\n");
}

}  // namespace lumiro::app
