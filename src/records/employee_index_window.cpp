#include "records/employee_index_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "components/data_controls.h"
#include "components/data_grid.h"
#include "components/data_navigator.h"
#include "components/data_source.h"
#include "components/help_context.h"
#include "components/page_control.h"
#include "data/data_module.h"
#include "data/employee_cards.h"
#include "data/table_text.h"
#include "records/company_window.h"
#include "records/id_number_indicator.h"
#include "records/payers_window.h"

namespace lumiro::records {

namespace {

using engine::Table;
using engine::TableState;
using engine::Value;

constexpr int kIndexPage = 0;

// Grid columns in title-click order, each with the index that orders the grid by it.
struct IndexColumn {
    const char16_t* field;
    const char16_t* title;
    const char* index;
    int width;
};
const IndexColumn kIndexColumns[] = {
    {u"NR", u"NR", "", 60},
    {u"POLE1", u"NAZWISKO IMIĘ", "Ninx", 300},
    {u"KP11", u"PESEL", "Pinx", 120},
    {u"KP12", u"NIP", "Iinx", 120},
};

}  // namespace

QString TKadF::payerEntry(std::int64_t number, const QString& name) {
    return QString::number(number).leftJustified(4, QLatin1Char(' '), true) +
           QStringLiteral(" - ") + name;
}

TKadF::TKadF(data::Tdane& dane, EmployeeIndexServices services, QWidget* parent)
    : QMainWindow(parent), dane_(dane), services_(std::move(services)) {
    setObjectName(QStringLiteral("KadF"));
    ZZLEC_ = new components::DataSource(dane_.TZlec, dane_.prompter(), this);
    ZRP7_ = new components::DataSource(dane_.TRP7, dane_.prompter(), this);
    ZRP7_->mirrorMasterLink(dane_.TZlec, "ZLEC", "NR");

    auto* toolbar = new QToolBar(this);
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto makeButton = [&](const QString& caption, const QString& hint, QStyle::StandardPixmap icon,
                          auto handler) {
        auto* button = new QToolButton(toolbar);
        button->setText(caption);
        button->setToolTip(hint);
        button->setStatusTip(hint);
        button->setIcon(style()->standardIcon(icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, handler);
        return button;
    };
    newButton_ = makeButton(QStringLiteral("Nowa pozycja"), QStringLiteral("Nowa pozycja"),
                            QStyle::SP_FileIcon, [this] { newEmployee(); });
    saveButton_ = makeButton(QStringLiteral("Zapisz dane"), QStringLiteral("Zapis pozycji"),
                             QStyle::SP_DialogSaveButton, [this] { saveAll(); });
    copyButton_ = makeButton(QStringLiteral("Kopiuj pozycję"), QStringLiteral("Kopiowanie pozycji"),
                             QStyle::SP_FileDialogNewFolder, [this] { copyEmployee(); });
    deleteButton_ = makeButton(QStringLiteral("Usuń pozycję"), QStringLiteral("Kasowanie pozycji"),
                               QStyle::SP_TrashIcon, [this] { deleteEmployee(); });
    importButton_ =
        makeButton(QStringLiteral("Import danych"),
                   QStringLiteral("Import danych do zaświadczenia"), QStyle::SP_ArrowDown, [this] {
                       const int page = PageControl1_->currentIndex() - 1;
                       if (page >= 0 && page < int(formPages_.size()))
                           formPages_[std::size_t(page)]->importData();
                   });
    // Hidden toolbar widgets need their actions hidden, not the buttons.
    toolbar->addWidget(newButton_);
    toolbar->addWidget(saveButton_);
    QAction* copyAction = toolbar->addWidget(copyButton_);
    QAction* deleteAction = toolbar->addWidget(deleteButton_);
    QAction* importAction = toolbar->addWidget(importButton_);
    copyButton_->setProperty("toolbarAction", QVariant::fromValue<QObject*>(copyAction));
    deleteButton_->setProperty("toolbarAction", QVariant::fromValue<QObject*>(deleteAction));
    importButton_->setProperty("toolbarAction", QVariant::fromValue<QObject*>(importAction));
    importAction->setVisible(false);
    addToolBar(Qt::TopToolBarArea, toolbar);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);

    PageControl1_ = new components::PageControl(central);
    PageControl1_->setObjectName(QStringLiteral("PageControl1"));
    components::setHelpContext(PageControl1_, kPagesHelp);
    PageControl1_->addTab(buildIndexPage(), QStringLiteral("INDEKS PRACOWNIKÓW"));
    pagesContext_.reset(new FormPagesContext{dane_, dane_.prompter(), [this](InformationNote note) {
                                                 if (services_.openNote) services_.openNote(note);
                                             }});
    formPages_ = createFormPages(*pagesContext_, PageControl1_);
    for (FormPage* page : formPages_) PageControl1_->addTab(page, page->caption());
    connect(PageControl1_, &components::PageControl::currentChanged, this, &TKadF::pageChanged);
    layout->addWidget(PageControl1_, 1);

    DBNavigator1_ = new components::DataNavigator(ZRP7_, central);
    DBNavigator1_->setObjectName(QStringLiteral("DBNavigator1"));
    components::setHelpContext(DBNavigator1_, kNavigatorHelp);
    using components::NavigatorButton;
    DBNavigator1_->setVisibleButtons({NavigatorButton::First, NavigatorButton::Prior,
                                      NavigatorButton::Next, NavigatorButton::Last,
                                      NavigatorButton::Refresh});
    DBNavigator1_->setHint(NavigatorButton::First, QStringLiteral("Pierwszy"));
    DBNavigator1_->setHint(NavigatorButton::Prior, QStringLiteral("Góra"));
    DBNavigator1_->setHint(NavigatorButton::Next, QStringLiteral("Dół"));
    DBNavigator1_->setHint(NavigatorButton::Last, QStringLiteral("Ostatni"));
    DBNavigator1_->setHint(NavigatorButton::Refresh, QStringLiteral("Odśwież"));

    auto* namePanel = new QFrame(central);
    namePanel->setFrameShape(QFrame::StyledPanel);
    auto* nameLayout = new QHBoxLayout(namePanel);
    nameLayout->setContentsMargins(6, 2, 6, 2);
    nameLayout->addWidget(DBNavigator1_);
    nameLayout->addSpacing(16);
    auto* nameLabel = new QLabel(QStringLiteral("NAZWISKO, IMIĘ:"), namePanel);
    QFont bold = nameLabel->font();
    bold.setBold(true);
    nameLabel->setFont(bold);
    auto* name = new components::DbText(ZRP7_, QStringLiteral("POLE1"), namePanel);
    name->setObjectName(QStringLiteral("DBText1"));
    name->setFrameShape(QFrame::Panel);
    name->setFrameShadow(QFrame::Sunken);
    name->setMinimumWidth(320);
    name->setFont(bold);
    nameLayout->addWidget(nameLabel);
    nameLayout->addWidget(name, 1);
    layout->addWidget(namePanel);
    setCentralWidget(central);

    Stan_ = new QStatusBar(this);
    Stan_->setObjectName(QStringLiteral("Stan"));
    Stan_->setToolTip(QStringLiteral("etat"));
    Stan_->setSizeGripEnabled(false);
    stanPanel_ = new QLabel(QStringLiteral("Ilość"), Stan_);
    Stan_->addWidget(stanPanel_, 1);
    setStatusBar(Stan_);

    buildMenus();
    components::installHelpKey(this, [this](int context) { openHelp(context); });

    // The filtered view of the employee table lets rows through only while this window exists.
    dane_.setEmployeeIndexWindowExists(
        [window = QPointer<TKadF>(this)] { return !window.isNull(); });

    setWindowTitle(services_.applicationTitle);
    // Wide enough for the earnings grid with every column, where the screen allows it.
    QSize size(1180, 780);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    resize(size.expandedTo(QSize(800, 560)));
    FormCreate();
}

TKadF::~TKadF() {
    // The pages are deleted only after the members they use (the pages' context). A field left
    // as the window goes away runs its exit rule, so it is left now, while all of it exists.
    hide();
    dane_.setEmployeeIndexWindowExists({});
}

QWidget* TKadF::buildIndexPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    auto* layout = new QVBoxLayout(page);

    auto* payer = new QGroupBox(QStringLiteral("Dane pracodawcy - płatnika składek"), page);
    auto* grid = new QGridLayout(payer);
    grid->setHorizontalSpacing(8);

    auto* chooser = new QHBoxLayout;
    chooser->addWidget(new QLabel(QStringLiteral("Wybierz płatnika :"), payer));
    ERD_ = new QComboBox(payer);
    ERD_->setObjectName(QStringLiteral("ERD"));
    ERD_->setEditable(true);
    ERD_->setInsertPolicy(QComboBox::NoInsert);
    ERD_->setToolTip(QStringLiteral("Wybór płatnika"));
    ERD_->setMinimumWidth(380);
    connect(ERD_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (!buildingPayerList_) ERDChange(text);
    });
    payersButton_ = new QToolButton(payer);
    payersButton_->setText(QStringLiteral("..."));
    payersButton_->setToolTip(QStringLiteral("Wprowadzenie informacji o płatnikach"));
    connect(payersButton_, &QToolButton::clicked, this, [this] { openPayers(); });
    chooser->addWidget(ERD_, 1);
    chooser->addWidget(payersButton_);
    chooser->addStretch();
    grid->addLayout(chooser, 0, 0, 1, 4);

    auto makeField = [&](const QString& column, int maxLength,
                         std::optional<IdNumberKind> check) -> QWidget* {
        auto* edit = new components::DbEdit(ZZLEC_, column, payer);
        // Not "E" and the column: the NIP search edit is "ENIP".
        edit->setObjectName(QStringLiteral("Platnik") + column);
        // The bound edit takes the column's size as its limit; the forms allow less.
        if (maxLength > 0)
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral(".{0,%1}").arg(maxLength)), edit));
        // Wide enough for what the form takes (a series and number of an identity card for the
        // one without a limit), so that a narrow window never hides part of a number.
        const int charWidth = std::max(edit->fontMetrics().averageCharWidth(),
                                       edit->fontMetrics().horizontalAdvance(QLatin1Char('0')));
        edit->setMinimumWidth(charWidth * (maxLength > 0 ? maxLength : 12) + 14);
        payerEdits_.push_back(edit);
        if (!check) return edit;
        auto* box = new QWidget(payer);
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(edit, 1);
        row->addWidget(new IdNumberIndicator(*check, edit, box));
        return box;
    };
    auto addField = [&](int row, int column, const QString& label, QWidget* field) {
        auto* caption = new QLabel(label, payer);
        // The long caption of the identity card breaks into lines rather than squeeze the fields.
        caption->setWordWrap(label.size() > 30);
        grid->addWidget(caption, row, column);
        grid->addWidget(field, row, column + 1);
    };
    addField(1, 0, QStringLiteral("1. NIP"),
             makeField(QStringLiteral("NIP"), 10, IdNumberKind::Nip));
    addField(1, 2, QStringLiteral("2. REGON"),
             makeField(QStringLiteral("SKROT"), 14, IdNumberKind::Regon));
    auto* note = new QLabel(
        QStringLiteral("Jeżeli płatnikowi nie nadano nr wym. w pkt. 1 i 2, należy podać:"), payer);
    grid->addWidget(note, 2, 0, 1, 4);
    addField(3, 0, QStringLiteral("3. Nr PESEL"),
             makeField(QStringLiteral("NAZWA1"), 11, IdNumberKind::Pesel));
    addField(3, 2, QStringLiteral("lub 4. Serię i nr dowodu osobistego lub paszportu"),
             makeField(QStringLiteral("NAZWA2"), 0, std::nullopt));
    addField(4, 0, QStringLiteral("Numer sprawy płatnika :"),
             makeField(QStringLiteral("POW"), 25, std::nullopt));
    addField(4, 2, QStringLiteral("Numer NKP płatnika :"),
             makeField(QStringLiteral("GMIN"), 14, std::nullopt));
    savePayerButton_ = new QPushButton(QStringLiteral("ZAPISZ DANE"), payer);
    connect(savePayerButton_, &QPushButton::clicked, this, [this] { savePayer(); });
    grid->addWidget(savePayerButton_, 5, 3, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    // The captions' column widens too, so that a wide window shows them on one line.
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(3, 1);
    layout->addWidget(payer);

    XDBGrid1_ = new components::DataGrid(ZRP7_, page);
    XDBGrid1_->setObjectName(QStringLiteral("XDBGrid1"));
    XDBGrid1_->setReadOnly(true);
    XDBGrid1_->setMultiSelect(true);
    XDBGrid1_->setInsertKeyEnabled(false);
    XDBGrid1_->setDeleteKeyEnabled(false);
    XDBGrid1_->setAppendOnDownEnabled(false);
    for (const IndexColumn& c : kIndexColumns)
        XDBGrid1_->addColumn(QString::fromUtf16(c.field), QString::fromUtf16(c.title), c.width);
    XDBGrid1_->setColumnAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    XDBGrid1_->horizontalHeader()->setSectionsClickable(true);
    connect(XDBGrid1_, &components::DataGrid::titleClicked, this, &TKadF::XDBGrid1TitleClick);
    XDBGrid1_->installEventFilter(this);
    XDBGrid1_->gridModel()->resetNow();
    layout->addWidget(XDBGrid1_, 1);

    auto* search = new QHBoxLayout;
    auto makeSearch = [&](const char16_t* name, const QString& label, const QString& hint) {
        search->addWidget(new QLabel(label, page));
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QString::fromUtf16(name));
        if (!hint.isEmpty()) edit->setToolTip(hint);
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { EnazwaChange(edit); });
        search->addWidget(edit, 1);
        return edit;
    };
    Enazwa_ = makeSearch(u"Enazwa", QStringLiteral("Nazwisko:"),
                         QStringLiteral("Podaj nazwisko pracownika"));
    components::setHelpContext(Enazwa_, kNameSearchHelp);
    EPESEL_ = makeSearch(u"EPESEL", QStringLiteral("PESEL:"), QString());
    ENIP_ = makeSearch(u"ENIP", QStringLiteral("NIP:"), QString());
    layout->addLayout(search);

    QWidget* previous = ERD_;
    for (QWidget* next : std::initializer_list<QWidget*>{payersButton_}) {
        setTabOrder(previous, next);
        previous = next;
    }
    for (QWidget* edit : payerEdits_) {
        setTabOrder(previous, edit);
        previous = edit;
    }
    for (QWidget* next : {static_cast<QWidget*>(savePayerButton_), static_cast<QWidget*>(XDBGrid1_),
                          static_cast<QWidget*>(Enazwa_), static_cast<QWidget*>(EPESEL_),
                          static_cast<QWidget*>(ENIP_)}) {
        setTabOrder(previous, next);
        previous = next;
    }
    return page;
}

void TKadF::buildMenus() {
    QMenuBar* bar = menuBar();
    auto item = [this](QMenu* menu, const QString& caption, auto handler) {
        QAction* action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    // Commands of other parts of the program come with the services; without one the item
    // is shown and cannot be chosen (updateServiceItems).
    auto command = [this](QMenu* menu, const QString& caption) {
        QString path = caption;
        for (QMenu* m = menu; m; m = qobject_cast<QMenu*>(m->parent()))
            path = m->title() + u'/' + path;
        QAction* action = menu->addAction(caption);
        action->setProperty("commandPath", path);
        connect(action, &QAction::triggered, this, [this, path] { runMenuCommand(path); });
        commandItems_.push_back(action);
    };

    QMenu* tasks = bar->addMenu(QStringLiteral("Zadania"));
    item(tasks, QStringLiteral("Nowa pozycja"), [this] {
        newEmployee();
    })->setShortcut(QKeySequence(Qt::Key_F10));
    item(tasks, QStringLiteral("Usuń pozycję"), [this] {
        deleteEmployee();
    })->setShortcut(QKeySequence(Qt::Key_F8));
    command(tasks, QStringLiteral("Wydruk wykazu ubezpieczonych"));

    QMenu* prints = bar->addMenu(QStringLiteral("Wydruki"));
    for (const char16_t* caption : {u"Wydruk Kp -1", u"Wydruk Rp-6", u"Wydruk Rp-7",
                                    u"Wydruk załącznika", u"Wydruk zaświadczenia"})
        command(prints, QString::fromUtf16(caption));
    prints->addSeparator();
    for (const char16_t* caption :
         {u"Podgląd Kp-1 str. 1", u"Podgląd Kp-1 str. 2", u"Podgląd Rp-6 str. 1",
          u"Podgląd Rp-6 str. 2", u"Podgląd Rp-7 str. 1", u"Podgląd Rp-7 str. 2",
          u"Podgląd załącznika", u"Podgląd zaświadczenia"})
        command(prints, QString::fromUtf16(caption));

    QMenu* information = bar->addMenu(QStringLiteral("Informacja"));
    const std::pair<const char16_t*, InformationNote> notes[] = {{u"Kp-1", InformationNote::Kp1},
                                                                 {u"Rp-6", InformationNote::Rp6},
                                                                 {u"Rp-7", InformationNote::Rp7}};
    for (const auto& [caption, note] : notes) {
        item(information, QString::fromUtf16(caption), [this, n = note] {
            if (services_.openNote) services_.openNote(n);
        });
    }

    QMenu* parameters = bar->addMenu(QStringLiteral("Parametry"));
    command(parameters, QStringLiteral("Parametry wydruku"));
    item(parameters, QStringLiteral("Płatnicy składek"), [this] { openPayers(); });
    command(parameters, QStringLiteral("Moduł wydruku"));

    QMenu* tools = bar->addMenu(QStringLiteral("Narzędzia"));
    const char16_t* tables[] = {u"RP7.DB", u"ZAL.DB", u"ZAL2.DB", u"ZAL3.DB", u"ZAR.DB"};
    QMenu* exportMenu = tools->addMenu(QStringLiteral("Export "));
    for (const char16_t* table : tables) command(exportMenu, QString::fromUtf16(table));
    QMenu* importMenu = tools->addMenu(QStringLiteral("Import "));
    for (const char16_t* table : tables) command(importMenu, QString::fromUtf16(table));
    tools->addSeparator();
    command(tools, QStringLiteral("Archiwowanie / Odtwarzanie"));
    command(tools, QStringLiteral("Odtwarzanie indeksów"));
    item(tools, QStringLiteral("Dane o firmie"), [this] { openCompany(); });
    tools->addSeparator();
    item(tools, QStringLiteral("Kasowanie danych demonstracyjnych"),
         [this] { deleteDemonstrationData(); });

    QMenu* help = bar->addMenu(QStringLiteral("Pomoc"));
    item(help, QStringLiteral("Pomoc"), [this] { openHelp(0); });
    item(help, QStringLiteral("O programie"), [this] {
        if (services_.openAbout) services_.openAbout();
    });
    updateServiceItems();
}

void TKadF::setServices(EmployeeIndexServices services) {
    services_ = std::move(services);
    updateServiceItems();
}

void TKadF::runMenuCommand(const QString& path) {
    auto it = services_.menuCommands.find(path);
    if (it == services_.menuCommands.end() || !it->second) return;
    // A command may run long and open windows of its own; typed text is in the tables first.
    for (Table* table : {&dane_.TZlec, &dane_.TRP7, &dane_.Tzar, &dane_.TZal, &dane_.Tzal2,
                         &dane_.TZal3})
        if (table->isOpen()) ZRP7_->run([&] { table->updateRecord(); });
    it->second();
}

void TKadF::updateServiceItems() {
    for (QAction* action : commandItems_) {
        auto it = services_.menuCommands.find(action->property("commandPath").toString());
        action->setEnabled(it != services_.menuCommands.end() && bool(it->second));
    }
    for (const char16_t* caption : {u"Kp-1", u"Rp-6", u"Rp-7"})
        if (QAction* action = menuItem(QString::fromUtf16(caption)))
            action->setEnabled(bool(services_.openNote));
    if (QAction* action = menuItem(QStringLiteral("Pomoc")))
        action->setEnabled(bool(services_.openHelp));
    if (QAction* action = menuItem(QStringLiteral("O programie")))
        action->setEnabled(bool(services_.openAbout));
}

QAction* TKadF::menuItem(const QString& caption) const {
    std::function<QAction*(const QList<QAction*>&)> find =
        [&](const QList<QAction*>& actions) -> QAction* {
        for (QAction* action : actions) {
            if (action->menu()) {
                if (QAction* found = find(action->menu()->actions())) return found;
            } else if (action->text() == caption) {
                return action;
            }
        }
        return nullptr;
    };
    return find(menuBar()->actions());
}

components::DbEdit* TKadF::payerEdit(const QString& column) const {
    for (components::DbEdit* edit : payerEdits_)
        if (edit->link().column() == column) return edit;
    return nullptr;
}

QString TKadF::countText() const {
    return stanPanel_->text();
}

void TKadF::showCount() {
    Table& employees = dane_.TRP7;
    std::int64_t count = 0;
    if (employees.isOpen()) {
        try {
            count = employees.recordCount();
        } catch (const std::exception& error) {
            ZRP7_->reportError(error);
        }
    }
    stanPanel_->setText(QStringLiteral("Ilość pozycji  ") + QString::number(count));
}

void TKadF::FormCreate() {
    Table& payers = dane_.TZlec;
    QStringList entries;
    ZZLEC_->run([&] {
        if (!payers.isOpen()) return;
        const int nr = payers.field("NR");
        const int name = payers.field("POCZTA");
        for (payers.first(); !payers.eof(); payers.next())
            entries << payerEntry(payers.asInteger(nr), data::fromTable(payers.asString(name)));
        payers.first();
    });
    std::sort(entries.begin(), entries.end());

    buildingPayerList_ = true;
    ERD_->clear();
    ERD_->addItems(entries);
    ERD_->setCurrentIndex(entries.isEmpty() ? -1 : 0);
    ERD_->setEditText(entries.isEmpty() ? QString() : entries.first());
    buildingPayerList_ = false;
    // The list is sorted as text, so with numbers of different lengths its first entry need not
    // be the lowest number: the payer shown is the one made current.
    if (!entries.isEmpty()) choosePayer(entries.first());
    // The status bar keeps its first text until the window is first shown.
    if (isVisible()) showCount();
}

void TKadF::FormShow() {
    PageControl1_->setCurrentIndex(kIndexPage);
    showCount();
    setWindowTitle(services_.applicationTitle + QLatin1Char(' ') + dane_.EtykietaFirmy);
    if (dane_.TRP7.isOpen()) ZRP7_->run([&] { dane_.TRP7.last(); });
    XDBGrid1_->gridModel()->resetNow();
}

void TKadF::ERDChange(const QString& text) {
    choosePayer(text);
    showCount();
}

void TKadF::choosePayer(const QString& text) {
    QString key = text.left(4);
    key.remove(QLatin1Char(' '));
    bool isNumber = false;
    const qlonglong number = key.toLongLong(&isNumber);
    Table& payers = dane_.TZlec;
    if (!isNumber || !payers.isOpen()) return;
    const bool moved = ZZLEC_->run([&] {
        // A payer edit still open belongs to the payer being left.
        dane_.ZapiszRekord(payers);
        payers.findKey({Value{std::int64_t(number)}});
    });
    ZRP7_->notifyRowsChanged();
    // A row of the card that could not be saved keeps the payer; the list says so too.
    if (!moved && payers.isOpen() && payers.bookmark().valid()) {
        const QString entry = payerEntry(payers.asInteger(payers.field("NR")),
                                         data::fromTable(payers.asString(payers.field("POCZTA"))));
        buildingPayerList_ = true;
        ERD_->setCurrentIndex(ERD_->findText(entry));
        ERD_->setEditText(entry);
        buildingPayerList_ = false;
    }
}

void TKadF::selectIndex(const std::string& name) {
    Table& employees = dane_.TRP7;
    if (employees.indexName() != name) employees.setIndexName(name);
}

void TKadF::EnazwaChange(QLineEdit* edit) {
    Table& employees = dane_.TRP7;
    if (!employees.isOpen() || !dane_.TZlec.isOpen()) return;
    const char* index = edit == EPESEL_ ? "Pinx" : edit == ENIP_ ? "Iinx" : "Ninx";
    const QString text = edit->text();
    ZRP7_->run([&] {
        selectIndex(index);
        if (text.isEmpty()) {
            employees.first();
            return;
        }
        const Value payer = dane_.TZlec.value("NR");
        employees.findNearest({payer, Value{data::toTable(text)}});
        if (employees.eof()) employees.last();
    });
    ZRP7_->notifyRowsChanged();
}

void TKadF::XDBGrid1TitleClick(int column) {
    if (column < 0 || column >= int(std::size(kIndexColumns)) || !dane_.TRP7.isOpen()) return;
    ZRP7_->run([&] { selectIndex(kIndexColumns[column].index); });
    ZRP7_->notifyRowsChanged();
}

void TKadF::writePendingInput() {
    for (Table* table :
         {&dane_.TZlec, &dane_.TRP7, &dane_.Tzar, &dane_.TZal, &dane_.Tzal2, &dane_.TZal3})
        if (table->isOpen()) ZRP7_->run([&] { table->updateRecord(); });
}

void TKadF::newEmployee() {
    Table& employees = dane_.TRP7;
    if (!employees.isOpen()) return;
    if (!dane_.TZlec.isOpen() || dane_.TZlec.isEmpty()) {
        // A card belongs to a payer; without one there is nothing to number it under.
        dane_.prompter().inform(QStringLiteral(
            "Nie ma żadnego płatnika składek. Najpierw należy wprowadzić płatnika (przycisk "
            "„...” obok listy „Wybierz płatnika”), a potem dodawać pracowników."));
        return;
    }
    ZRP7_->run([&] { data::EmployeeCards(dane_).addCard(); });
    ZRP7_->notifyRowsChanged();
    showCount();
}

void TKadF::copyEmployee() {
    Table& employees = dane_.TRP7;
    if (!employees.isOpen()) return;
    ZRP7_->run([&] { data::EmployeeCards(dane_).copyCard(); });
    ZRP7_->notifyRowsChanged();
}

void TKadF::deleteEmployee() {
    Table& employees = dane_.TRP7;
    if (!employees.isOpen()) return;
    if (employees.state() == TableState::Insert) {
        // A card never posted owns nothing on disk.
        ZRP7_->cancel();
        showCount();
        return;
    }
    // The question names the card as it is being typed.
    ZRP7_->run([&] { employees.updateRecord(); });
    // With no card there is nothing to name in the question, nor anything to delete.
    if (employees.isEmpty() || !employees.bookmark().valid()) {
        showCount();
        return;
    }
    const QString name = data::fromTable(employees.asString(employees.field("POLE1")));
    if (dane_.prompter().confirm(QStringLiteral("Czy usunąć wszystkie zapisy dla : ") + name,
                                 platform::MessageIcon::Warning)) {
        ZRP7_->run([&] { data::EmployeeCards(dane_).deleteCard(); });
        ZRP7_->notifyRowsChanged();
    }
    showCount();
}

void TKadF::saveAll() {
    for (Table* table :
         {&dane_.TZlec, &dane_.TRP7, &dane_.Tzar, &dane_.TZal, &dane_.Tzal2, &dane_.TZal3})
        ZRP7_->run([&] { dane_.ZapiszRekord(*table); });
}

void TKadF::savePayer() {
    ZZLEC_->run([&] { dane_.ZapiszRekord(dane_.TZlec); });
}

void TKadF::deleteDemonstrationData() {
    const QString warning = QStringLiteral("\nUwaga ! Brak możliwości odtworzenia danych.");
    platform::Prompter& prompter = dane_.prompter();
    if (!prompter.confirm(QStringLiteral("Czy chcesz usunąć wszystkie zapisy ?.") + warning,
                          platform::MessageIcon::Warning))
        return;
    if (!prompter.confirm(QStringLiteral("Czy napewno chcesz usunąć wszystkie zapisy ?.") + warning,
                          platform::MessageIcon::Warning))
        return;
    const QString title = QStringLiteral("Kasowanie danych demonstracyjnych");
    if (services_.progressStart) services_.progressStart(title, 6);
    ZZLEC_->suspendControls();
    ZRP7_->suspendControls();
    // Stops at the first table that fails, the employees and payers (deleted last) as they
    // were; the message, which names the table, comes once the progress window is gone.
    QString failure;
    try {
        data::EmployeeCards(dane_).deleteAllRecords(services_.progressStep);
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    ZRP7_->resumeControls();
    ZZLEC_->resumeControls();
    if (services_.progressStop) services_.progressStop();
    if (!failure.isEmpty()) prompter.error(failure);
    // The payer list and the count would otherwise name rows that are gone.
    FormCreate();
}

void TKadF::openPayers() {
    writePendingInput();
    if (!payersWindow_) {
        payersWindow_ = new TKADF9(dane_, *ZZLEC_, this);
        components::installHelpKey(payersWindow_, [this](int context) { openHelp(context); });
    }
    payersWindow_->openModal();
    FormCreate();
}

void TKadF::openCompany() {
    writePendingInput();
    if (!companyWindow_) {
        companyWindow_ = new TFIRMAF(dane_, loadLogoPicture(), this);
        components::installHelpKey(companyWindow_, [this](int context) { openHelp(context); });
    }
    companyWindow_->openModal();
    FormCreate();
}

void TKadF::openHelp(int context) {
    if (services_.openHelp) services_.openHelp(context);
}

void TKadF::pageChanged(int index) {
    // The page left may hide a control with typed text; it belongs to the same record.
    writePendingInput();
    const int previous = currentPage_;
    currentPage_ = index;
    auto formPage = [this](int i) -> FormPage* {
        return i >= 1 && i <= int(formPages_.size()) ? formPages_[std::size_t(i - 1)] : nullptr;
    };
    auto setToolbarVisible = [](QToolButton* button, bool visible) {
        if (auto* action =
                qobject_cast<QAction*>(button->property("toolbarAction").value<QObject*>()))
            action->setVisible(visible);
    };
    if (FormPage* page = formPage(previous)) {
        page->pageHidden();
        if (page->importsData()) setToolbarVisible(importButton_, false);
    }
    const bool onIndex = index == kIndexPage;
    setToolbarVisible(copyButton_, onIndex);
    setToolbarVisible(deleteButton_, onIndex);
    if (FormPage* page = formPage(index)) {
        page->pageShown();
        if (page->importsData()) setToolbarVisible(importButton_, true);
    }
    // A hint of a toolbar button hidden under the pointer would stay over the count text.
    Stan_->clearMessage();
}

void TKadF::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TKadF::FormClose() {
    for (Table* table :
         {&dane_.TZal3, &dane_.Tzal2, &dane_.TZal, &dane_.Tzar, &dane_.TRP7, &dane_.TZlec}) {
        if (table->isOpen()) ZRP7_->run([&] { dane_.ZapiszRekord(*table); });
    }
    if (services_.archiveReminder) services_.archiveReminder();
}

void TKadF::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
}

bool TKadF::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a card of the index opens its first form page.
    if (watched == XDBGrid1_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            PageControl1_->count() > 1 && !dane_.TRP7.isEmpty()) {
            PageControl1_->setCurrentIndex(1);
            PageControl1_->focusCurrentPage();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace lumiro::records
