#include "arguments.h"

#include "tool_error.h"

namespace lumiro::tools {

namespace {

struct CommandForm {
    const char* name;
    Command command;
    std::size_t minOperands;
    std::size_t maxOperands;
    const char* synopsis;
};

constexpr CommandForm kCommands[] = {
    {"schema", Command::Schema, 1, 1, "schema PLIK"},
    {"dump", Command::Dump, 1, 1, "dump PLIK"},
    {"create", Command::Create, 2, 2, "create PLIK UKŁAD"},
    {"load", Command::Load, 2, 2, "load PLIK DANE.tsv"},
    {"check", Command::Check, 1, 1, "check PLIK"},
    {"reindex", Command::Reindex, 1, 2, "reindex PLIK [UKŁAD]"},
};

}  // namespace

Invocation parseArguments(const std::vector<std::string>& args) {
    if (args.empty())
        throw ToolError("Nie podano polecenia. Wpisz „lumiro-db --help”, aby zobaczyć listę.",
                        kExitUsage);
    const std::string& name = args.front();
    if (name == "help" || name == "--help" || name == "-h") {
        if (args.size() > 1 && name != "help")
            throw ToolError("Polecenie " + name + " nie przyjmuje argumentów.", kExitUsage);
        return {Command::Help, {}};
    }
    for (const CommandForm& form : kCommands) {
        if (name != form.name) continue;
        std::vector<std::string> operands(args.begin() + 1, args.end());
        for (const std::string& op : operands)
            if (op.starts_with("-") && op.size() > 1)
                throw ToolError("Nieznana opcja „" + op + "”. Użycie: lumiro-db " + form.synopsis,
                                kExitUsage);
        if (operands.size() < form.minOperands || operands.size() > form.maxOperands)
            throw ToolError(
                std::string("Niewłaściwa liczba argumentów. Użycie: lumiro-db ") + form.synopsis,
                kExitUsage);
        return {form.command, std::move(operands)};
    }
    throw ToolError(
        "Nieznane polecenie „" + name + "”. Wpisz „lumiro-db --help”, aby zobaczyć listę.",
        kExitUsage);
}

std::string usageText() {
    return "Użycie: lumiro-db POLECENIE ARGUMENTY\n"
           "\n"
           "Narzędzie do plików tabel (PLIK to tabela .DB; rozszerzenie można pominąć).\n"
           "\n"
           "  schema PLIK            kolumny (NAZWA, TYP, ROZMIAR), klucz i indeksy tabeli\n"
           "  dump PLIK              wszystkie rekordy w kolejności klucza, rozdzielone\n"
           "                         tabulatorami (UTF-8), z wierszem nazw kolumn\n"
           "  create PLIK UKŁAD      tworzy tabelę według pliku układu (jak wynik schema)\n"
           "  load PLIK DANE.tsv     zapisuje wiersze pliku w postaci dump: rekord o tym\n"
           "                         samym kluczu jest poprawiany, inny dopisywany; po\n"
           "                         każdym zapisanym wierszu wypisuje „ok N”\n"
           "  check PLIK             sprawdza plik danych i wszystkie indeksy\n"
           "  reindex PLIK [UKŁAD]   odbudowuje indeksy z pliku danych, także brakujące;\n"
           "                         UKŁAD podaje definicje indeksów, gdy ich nie ma\n"
           "  help, --help           ten opis\n"
           "\n"
           "Kod wyjścia: 0 powodzenie, 1 błąd pliku, danych lub sprawdzenia,\n"
           "2 błędne wywołanie. Szczegóły: docs/lumiro-db.md.\n";
}

}  // namespace lumiro::tools
