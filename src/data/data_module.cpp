#include "data/data_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <exception>

#include "data/data_files.h"
#include "data/employee_cards.h"
#include "data/file_moves.h"
#include "data/progress_bar.h"
#include "data/structure_update.h"
#include "data/table_layouts.h"
#include "data/table_swap.h"
#include "data/table_text.h"
#include "engine/error.h"
#include "engine/file_names.h"
#include "platform/program_paths.h"

namespace lumiro::data {
namespace {

using engine::AccessMode;
using engine::EngineError;
using engine::Table;
using engine::TableState;

const QString kLineBreak = QStringLiteral("\n");

// A program path as the user reads it on this system.
QString shown(const QString& path) {
    return QDir::toNativeSeparators(platform::nativePath(path));
}

bool endsWithSeparator(const QString& path) {
    return path.endsWith(u'\\') || path.endsWith(u'/');
}

QString padded(const std::string& text, int width) {
    // Names are code page 1250 bytes in the table; the structure file keeps them as bytes.
    std::string out = text.substr(0, std::size_t(width));
    out.resize(std::size_t(width), ' ');
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

std::string joined(const std::vector<std::string>& fields) {
    std::string out;
    for (const auto& f : fields) out += (out.empty() ? "" : ";") + f;
    return out;
}

}  // namespace

Tdane::Tdane(platform::ProcessValues& values, platform::Prompter& prompter, Environment environment)
    : SESJA("SESJA", environment.fileSystem ? *environment.fileSystem : engine::Env::system()),
      defaultSession("Default", SESJA.env()),
      values_(values),
      prompter_(prompter),
      env_(std::move(environment)) {
    if (env_.programFolder.isEmpty()) env_.programFolder = QDir::currentPath();
    if (env_.programFile.isEmpty()) env_.programFile = QCoreApplication::applicationFilePath();
    arguments_ = env_.arguments ? *env_.arguments : QCoreApplication::arguments().mid(1);

    TRP7.afterInsert = [this](Table& t) { TRP7AfterInsert(t); };
    WRP7.setFilter([this](Table& t) { return WRP7FilterRecord(t); });
    WRP7.setFiltered(true);
    Tzar.addCalculatedField("POLE10", engine::FieldType::Number);
    Tzar.setCalcFields([this](Table& t) { TzarCalcFields(t); });
    Tzar.onStateChange = [this](Table& t) { ZzarStateChange(t); };
}

Tdane::~Tdane() = default;

QString Tdane::dataTable(const QString& relative) const {
    return values_.SciezkaDanych + relative;
}

void Tdane::create() {
    WybraneNR.assign(1, 0);
    RejestrTabel.fill(QString());
    RejestrTabel[0] = QStringLiteral("0");

    // A restore from the archive that a crash interrupted is completed before any table of
    // it opens. One that cannot be completed leaves a mix of restored and live files: no table
    // opens over it and the structure update gets no chance to build empty ones.
    const std::string movesRecord =
        enginePath(env_.programFolder + u'/' + QString::fromLatin1(kMovesRecordName));
    try {
        completeFileMoves(SESJA.env(), movesRecord);
    } catch (const std::exception& e) {
        const auto aside = recordedAsideFolder(SESJA.env(), movesRecord);
        prompter_.error(
            QStringLiteral("Nie udało się dokończyć odtwarzania danych z archiwum:\n%1\n\n")
                .arg(QString::fromUtf8(e.what())) +
            (aside ? QStringLiteral("Pliki danych sprzed odtwarzania są w folderze %1.\n")
                         .arg(QFile::decodeName(aside->c_str()))
                   : QString()) +
            QStringLiteral(
                "Program zostanie zamknięty; przy następnym uruchomieniu spróbuje ponownie."));
        values_.Przerwij = true;
        return;
    }
    // A rebuild of either table that a crash interrupted is finished or undone first.
    recoverTableSwap(SESJA, companySwap(QStringLiteral("FIRMA")));
    recoverTableSwap(SESJA, parametersSwap(QStringLiteral("KAD")));

    values_.SciezkaDanych.clear();
    if (OtworzTabele(TFIRMA, QStringLiteral("FIRMA"), QStringLiteral("Brak danych o firmie"))) {
        startStep(&TFIRMA, [this] {
            const int dr = TFIRMA.isOpen() ? TFIRMA.fieldIndex("DR") : -1;
            // The root is used as a prefix; a root typed without its final separator still
            // names a folder.
            QString root = dr >= 0 ? fromTable(TFIRMA.asString(dr)).trimmed() : QString();
            if (!root.isEmpty() && !endsWithSeparator(root)) root += u'\\';
            values_.SciezkaDanych = root;
        });
    }

    OtworzTabele(TPARA, QStringLiteral("KAD"), QString());

    if (!TFIRMA.isOpen() && !TPARA.isOpen()) {
        prompter_.error(QStringLiteral(
            "Błąd sterownika BDE.\n"
            "Proszę pobrać aktualny sterownik bazy danych ze strony https://lumiro.example.pl/"
            "pobierz lub skontaktować się z nami: pomoc@lumiro.example.pl, tel. 22 555 01 70."));
        values_.Przerwij = true;
        return;
    }
    if (!TPARA.isOpen()) {
        prompter_.error(QStringLiteral(
            "Nie można otworzyć tabeli parametrów programu KAD.DB.\n"
            "Program zostanie zamknięty. Odtwórz plik KAD.DB z kopii lub z instalacji."));
        values_.Przerwij = true;
        return;
    }

    EtykietaFirmy.clear();
    startStep(&TFIRMA, [this] {
        if (TFIRMA.isOpen() && TFIRMA.fieldIndex("SKROT") >= 0)
            EtykietaFirmy = fromTable(TFIRMA.asString(TFIRMA.field("SKROT")));
    });
    startStep(&TPARA, [this] { UzupelnijParametry(TPARA); });
    startStep(nullptr, [this] { SprawdzRok(); });

    startStep(&TPARA, [this] {
        const int b1 = TPARA.isOpen() ? TPARA.fieldIndex("B1") : -1;
        // An empty flag reads as false; a table the user keeps read-only is not written.
        if (b1 >= 0 && TPARA.isNull(b1) && TPARA.accessMode() != AccessMode::ReadOnly) {
            Edytuj(TPARA);
            TPARA.setAsBoolean(b1, false);
            ZapiszRekord(TPARA);
        }
    });

    const QString rp7 = dataTable(QStringLiteral("BAZA\\KADRY\\RP7"));
    if (!dataRootExists()) {
        // An unmounted share or a mistyped path: nothing is built in its place, and the
        // tables stay closed until the next start finds the folder.
        prompter_.error(
            QStringLiteral("Folder danych %1 nie istnieje lub jest niedostępny (na przykład "
                           "niepodłączony dysk sieciowy).\nProgram nie utworzy w jego miejscu "
                           "nowych, pustych danych i pracuje bez tabel pracowników. Podłącz dysk "
                           "i uruchom program ponownie albo popraw ścieżkę dostępu do plików w "
                           "oknie Narzędzia/Dane o firmie.")
                .arg(shown(values_.SciezkaDanych)));
        for (const char* table : {"RP7", "ZAR", "ZLEC", "ZAL", "ZAL2", "ZAL3"})
            registerTable(dataTable(QStringLiteral("BAZA\\KADRY\\") + QLatin1String(table)));
        return;
    }
    // An update a crash cut short while it moved its tables in is completed first.
    startStep(nullptr, [this] { completeStructureUpdate(*this); });

    bool withheld = false;
    if (!OtworzTabele(TRP7, rp7, QString()) && !SESJA.tableExists(enginePath(rp7))) {
        const QStringList living = tablesHoldingRows();
        if (!living.isEmpty()) {
            // Cards built anew would take the numbers of the lost ones, and with them their
            // earnings, periods and certificates.
            withheld = true;
            prompter_.error(
                QStringLiteral(
                    "Brak tabeli pracowników %1 (Baza RP7 i KP1), a tabele %2 w tym samym "
                    "folderze zawierają dane.\nNowa, pusta tabela pracowników nie zostanie "
                    "utworzona: nowe karty dostałyby numery dawnych i przejęłyby ich zarobki, "
                    "okresy i zaświadczenia.\nOdtwórz dane z archiwum (Narzędzia/Archiwowanie / "
                    "Odtwarzanie) lub użyj polecenia Narzędzia/Odtwarzanie indeksów. Program "
                    "pracuje dalej bez tabeli pracowników.")
                    .arg(shown(rp7 + QStringLiteral(".DB")), living.join(QStringLiteral(", "))));
        } else if (env_.Aktualizacja) {
            // What could not be carried over is named by the messages that follow.
            startStep(nullptr, [this] { env_.Aktualizacja(*this); });
        }
    }

    if (withheld) {
        registerTable(rp7);
    } else if (OtworzTabele(TRP7, rp7, QStringLiteral("Baza RP7 i KP1"))) {
        try {
            WRP7.close();
            WRP7.open(enginePath(rp7 + QStringLiteral(".DB")));
        } catch (const std::exception&) {
        }
    }

    OtworzTabele(Tzar, dataTable(QStringLiteral("BAZA\\KADRY\\ZAR")),
                 QStringLiteral("Baza Zarobków"));
    OtworzTabele(TZlec, dataTable(QStringLiteral("BAZA\\KADRY\\ZLEC")),
                 QStringLiteral("Baza danych o pracodawcy"));
    OtworzTabele(TZal, dataTable(QStringLiteral("BAZA\\KADRY\\ZAL")),
                 QStringLiteral("Baza okresów składkowych i nieskładkowych"));
    OtworzTabele(Tzal2, dataTable(QStringLiteral("BAZA\\KADRY\\ZAL2")),
                 QStringLiteral("Wykaz okresów zasiłkowych"));
    OtworzTabele(TZal3, dataTable(QStringLiteral("BAZA\\KADRY\\ZAL3")),
                 QStringLiteral("Brak bazy zaświadczeń"));

    linkTables();
    // A card deletion a crash cut short is finished before anyone sees half of the card; if
    // it fails again, its note stays for the next start.
    startStep(nullptr, [this] { EmployeeCards(*this).finishInterruptedDeletion(); });
}

bool Tdane::folderThere(const QString& path) {
    engine::Env& files = SESJA.env();
    std::string exact = enginePath(path);
    while (exact.size() > 1 && exact.back() == '/') exact.pop_back();
    if (exact.empty() || files.isDir(exact)) return true;
    const auto found = engine::resolveExisting(files, exact);
    return found.complete && files.isDir(found.path.empty() ? std::string(".") : found.path);
}

bool Tdane::dataRootExists() {
    // An empty root is the program folder, which is where the program runs.
    return values_.SciezkaDanych.isEmpty() || folderThere(values_.SciezkaDanych);
}

Tdane::DataRootProblem Tdane::dataRootProblem(const QString& root) {
    auto effective = [this](const QString& prefix) {
        return prefix.trimmed().isEmpty() ? env_.programFolder : prefix.trimmed();
    };
    auto holdsData = [&](const QString& prefix) {
        return folderThere(
            platform::joinDataPath(effective(prefix), QStringLiteral("BAZA\\KADRY")));
    };
    if (!folderThere(effective(root))) return DataRootProblem::Missing;
    if (!holdsData(root) && holdsData(values_.SciezkaDanych)) return DataRootProblem::WithoutData;
    return DataRootProblem::None;
}

QStringList Tdane::tablesHoldingRows() {
    QStringList living;
    for (const char* name : {"ZAR", "ZAL", "ZAL2", "ZAL3", "ZLEC"}) {
        const std::string path =
            enginePath(dataTable(QStringLiteral("BAZA\\KADRY\\") + QLatin1String(name)));
        if (!SESJA.tableExists(path)) continue;
        bool holdsRows = true;  // one that cannot be read may hold rows as well
        try {
            Table probe(SESJA);
            probe.open(path, AccessMode::ReadOnly);
            holdsRows = !probe.isEmpty();
        } catch (const std::exception&) {
        }
        if (holdsRows) living << QLatin1String(name) + QStringLiteral(".DB");
    }
    return living;
}

void Tdane::startStep(Table* table, const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& error) {
        // Engine messages are written for the user, in Polish and UTF-8.
        prompter_.error(QString::fromUtf8(error.what()));
        if (!table) return;
        try {
            if (table->state() == TableState::Edit || table->state() == TableState::Insert)
                table->cancel();
            table->close();
        } catch (const std::exception&) {
        }
    }
}

void Tdane::linkTables() {
    auto link = [](Table& detail, Table& master, const char* detailFields,
                   const char* masterFields) {
        try {
            detail.setMasterLink(&master, detailFields, masterFields);
        } catch (const std::exception&) {
        }
    };
    link(TRP7, TZlec, "ZLEC", "NR");
    link(WRP7, TZlec, "ZLEC", "NR");
    link(Tzar, TRP7, "ZLEC;NR", "ZLEC;NR");
    link(TZal, TRP7, "ZLEC;NR", "ZLEC;NR");
    link(Tzal2, TRP7, "ZLEC;NR", "ZLEC;NR");
    link(TZal3, TRP7, "ZLEC;NR", "ZLEC;NR");
}

void Tdane::registerTable(const QString& name) {
    const int count = RejestrTabel[0].toInt() + 1;
    // The registry has room for 50 names; the count goes on so that it stays honest.
    RejestrTabel[0] = QString::number(count);
    if (count < kRegistrySlots) RejestrTabel[std::size_t(count)] = name;
}

bool Tdane::OtworzTabele(Table& table, const QString& name, const QString& description) {
    if (!description.isEmpty()) registerTable(name);
    if (!openWithRecovery(table, name, description)) return false;

    if (name.right(5).compare(QStringLiteral("FIRMA"), Qt::CaseInsensitive) == 0) {
        try {
            UzupelnijFirme(table);
        } catch (const std::exception&) {
        }
    }
    if (!description.isEmpty() && !findCompanion(SESJA, table.path(), ".STR")) {
        writeStructureFile(table, name);
    }
    return true;
}

bool Tdane::openWithRecovery(Table& table, const QString& name, const QString& description) {
    const std::string path = enginePath(name + QStringLiteral(".DB"));
    try {
        try {
            table.close();
        } catch (const std::exception&) {
            // A pending edit that cannot be saved is dropped with the old opening.
        }
        try {
            table.open(path);
        } catch (const EngineError& e) {
            // A read-only data file opens read-only; the user is offered the change below.
            if (e.code() != engine::ErrorCode::ReadOnly) throw;
            table.open(path, AccessMode::ReadOnly);
        }
    } catch (const std::exception&) {
        if (!description.isEmpty()) {
            prompter_.error(QStringLiteral("Błąd otwarcia bazy : ") + description + kLineBreak +
                            QStringLiteral("Baza : ") + name + QStringLiteral(".DB") + kLineBreak +
                            QStringLiteral("Użyj polecenia Narzędzia/Naprawa indeksów.") +
                            kLineBreak +
                            QStringLiteral("Jeżeli bład się powtórzy odtwórz dane z ARCHIWUM"));
        }
        return false;
    }

    // The attribute as stored on the file, not whether this user may write anyway.
    if (SESJA.env().isReadOnly(table.path())) offerToClearReadOnly(table, name);
    return table.isOpen();
}

void Tdane::offerToClearReadOnly(Table& table, const QString& name) {
    const bool change = prompter_.confirm(
        QStringLiteral("Uwaga baza: ") + name + QStringLiteral(".DB") + kLineBreak +
            QStringLiteral("jest w trybie Tylko Do Odczytu") + kLineBreak +
            QStringLiteral("Czy zmienić automatycznie atrybut Bazy?"),
        platform::MessageIcon::Warning);
    if (!change) return;

    const std::string dataFile = table.path();
    table.close();
    engine::Env& files = SESJA.env();
    for (const std::string& file : SESJA.companionFiles(dataFile)) {
        try {
            files.makeWritable(file);
        } catch (const EngineError&) {
            // Told below, as every file whose attribute stayed.
        }
        if (files.isReadOnly(file)) {
            prompter_.error(QStringLiteral("Próba automatycznej zmiany atrybutu niepowiodła się.") +
                            kLineBreak + QStringLiteral("Proszę atrybuty bazy zmienic ręcznie."));
        }
    }
    const std::string path = enginePath(name + QStringLiteral(".DB"));
    try {
        table.open(path);
    } catch (const std::exception&) {
        // The attribute stayed: the table is used read-only as if the user had said No.
        try {
            table.open(path, AccessMode::ReadOnly);
        } catch (const std::exception&) {
        }
    }
}

void Tdane::writeStructureFile(const Table& table, const QString& name) {
    // The whole text is built before the file appears, so that a table that cannot be read
    // leaves no empty structure file behind (an existing file is never rewritten).
    const std::string dataFile = table.path();
    QByteArray text = "STRUKTURA ZBIORU\r\n";
    try {
        Table reader(SESJA);
        reader.open(dataFile, AccessMode::ReadOnly);
        const auto& fields = reader.fields();
        for (int i = 0; i < reader.storedFieldCount(); ++i) {
            const engine::FieldDef& f = fields[std::size_t(i)];
            text += "Pole:" + padded(f.name, 40).toLatin1() + "Typ:" +
                    QByteArray::number(structureTypeNumber(f.type)).rightJustified(2, '0') +
                    (f.required ? "Obecnosc: TRUE" : "Obecnosc:FALSE") +
                    "Wielkosc:" + QByteArray::number(f.size) + "\r\n";
        }
        text += "INDEKSY\r\n";
        for (const engine::IndexDef& index : reader.indexes()) {
            text += "Nazwa:" + padded(index.name, 40).toLatin1() +
                    "Pole:" + padded(joined(index.fields), 40).toLatin1() + "\r\n";
        }
        text += "KONIEC\r\n";
        // Beside the data file as found on disk, named as the table was asked for; nothing
        // half written is left by a failure, and the next start tries again.
        const std::string file = engine::joinPath(engine::dirName(dataFile),
                                                  engine::baseName(enginePath(name)) + ".STR");
        replaceFile(SESJA.env(), file, text);
    } catch (const std::exception&) {
    }
}

void Tdane::Edytuj(Table& table) {
    if (table.state() == TableState::Edit || table.state() == TableState::Insert) return;
    table.edit();
}

bool Tdane::ZapiszRekord(Table& table) {
    if (!table.isOpen()) return true;
    // Text typed into a control and not yet confirmed belongs to the record being saved.
    table.updateRecord();
    if (table.state() == TableState::Edit || table.state() == TableState::Insert) {
        try {
            table.post();
        } catch (const std::exception&) {
            try {
                table.cancel();
            } catch (const std::exception&) {
            }
            prompter_.error(QStringLiteral("Błąd zapisu"));
            return false;
        }
    }
    table.flushToDisk();
    return true;
}

bool Tdane::WRP7FilterRecord(Table& table) const {
    if (!employeeIndexWindowExists_ || !employeeIndexWindowExists_()) return false;
    const int nr = table.fieldIndex("NR");
    if (nr < 0 || table.isNull(nr)) return false;
    const auto value = table.asInteger(nr);
    for (std::int32_t chosen : WybraneNR) {
        if (chosen == value) return true;
    }
    return false;
}

void Tdane::TRP7AfterInsert(Table&) {
    if (WRP7.isOpen()) WRP7.refresh();
}

}  // namespace lumiro::data
