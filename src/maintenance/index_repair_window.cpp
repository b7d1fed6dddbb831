#include "maintenance/index_repair_window.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include <exception>

#include "data/data_module.h"
#include "maintenance/index_repair.h"

namespace lumiro::maintenance {

TAWARIAF::TAWARIAF(data::Tdane& dane, std::function<void()> afterReopen, QWidget* parent)
    : QDialog(parent),
      dane_(dane),
      afterReopen_(std::move(afterReopen)),
      start_(new QPushButton(QStringLiteral("START"), this)),
      report_(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Naprawa Indeksów"));
    report_->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(start_);
    layout->addWidget(report_);
    connect(start_, &QPushButton::clicked, this, &TAWARIAF::Button1Click);
    resize(520, 420);
}

void TAWARIAF::line(const QString& text, bool replaceLast) {
    if (replaceLast && !report_->document()->isEmpty()) {
        QTextCursor cursor(report_->document()->lastBlock());
        cursor.select(QTextCursor::BlockUnderCursor);
        cursor.movePosition(QTextCursor::StartOfBlock);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(text);
    } else {
        report_->appendPlainText(text);
    }
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TAWARIAF::Button1Click() {
    if (!dane_.prompter().confirm(QStringLiteral("Uwaga ! Proszę zamknąć pozostałe programy.\n"
                                                 "Czy zacząć odtwarzanie indeksów ?"),
                                  platform::MessageIcon::Warning))
        return;
    QStringList tables;
    const int count = dane_.RejestrTabel[0].toInt();
    for (int i = 1; i <= count && i < data::Tdane::kRegistrySlots; ++i)
        tables.append(dane_.RejestrTabel[std::size_t(i)]);
    try {
        dane_.SESJA.setActive(false);
    } catch (const std::exception& e) {
        dane_.prompter().error(QString::fromUtf8(e.what()));
    }
    report_->clear();
    bool finished = false;
    try {
        finished = IndexRepair::run(dane_.SESJA.env(), tables,
                                    [this](const QString& text, bool replace) { line(text, replace); });
    } catch (const std::exception& e) {
        line(QString::fromUtf8(e.what()), false);
    }
    // The program never stays without its tables, whatever happened in the run.
    dane_.SESJA.setActive(true);
    dane_.create();
    if (afterReopen_) afterReopen_();
    if (!finished)
        dane_.prompter().error(QStringLiteral("Naprawa indeksów została przerwana:\n") +
                               report_->document()->lastBlock().text());
}

}  // namespace lumiro::maintenance
