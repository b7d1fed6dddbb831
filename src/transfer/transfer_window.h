// The import and export window: the mapping of one table's fields to the columns of a text
// file, the file's encoding, the file dialogs, and the runs (transfer_jobs.h). The table is
// the data module's own; the caller cuts its master link for the window's lifetime (so that
// it shows every row) and restores it. A run that fails leaves the window open with the file
// still chosen, so that the user can mend the file and start again.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

#include "transfer/transfer_jobs.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace lumiro::data {
class Tdane;
}

namespace lumiro::transfer {

enum class TransferDirection { Export, Import };

// The file dialogs; tests answer them. Each gets the suggested file (folder and default name)
// and the filter, and returns the chosen file or an empty text when the user cancels.
struct TransferDialogs {
    std::function<QString(QWidget* parent, const QString& suggested, const QString& filter)> save;
    std::function<QString(QWidget* parent, const QString& suggested, const QString& filter)> open;
};

class TFexpimp : public QDialog {
    Q_OBJECT

  public:
    // Grid columns: display name, file column, field name, key mark.
    enum Column { kFieldLabel = 0, kFileColumn = 1, kFieldName = 2, kKeyMark = 3 };

    // The data module must outlive the window. Empty dialogs: Qt's own.
    explicit TFexpimp(data::Tdane& dane, TransferDialogs dialogs = {}, QWidget* parent = nullptr);
    ~TFexpimp() override;

    // Reads the default folder, prepares the grid for the table and runs the window modally.
    void run(engine::Table& table, TransferDirection direction);
    // What run does before it shows the window.
    void prepare(engine::Table& table, TransferDirection direction);

    void FormShow();
    void BplikClick();
    void BstartClick();
    void BsciezkaClick();

    QTableWidget& zamien() { return *zamien_; }
    QPushButton& Bplik() { return *Bplik_; }
    QPushButton& Bstart() { return *Bstart_; }
    QPushButton& Bsciezka() { return *Bsciezka_; }
    QProgressBar& progres() { return *progres_; }
    // Export: the encoding to write. Import: the encoding the chosen file is read in, set to
    // the one recognised when the file is chosen; the user may switch it before starting.
    QComboBox& encodingChoice() { return *encoding_; }
    // The file chosen for import, empty before one is.
    const QString& importFile() const { return importFile_; }
    const QString& lastPath() const { return lastPath_; }
    // "ImpExp.txt" in the data root.
    QString folderFilePath() const;

  private:
    void readFolderFile();
    QString suggested(const QString& defaultName) const;
    void runExport();
    void chooseImportFile();
    // Reads the chosen file's heading in the encoding of the choice (or the recognised one)
    // and lays the grid out for it; false when the file cannot be read.
    bool readImportHeading(bool recognise);
    TextEncoding chosenEncoding() const;
    // Ends a run: the progress back to 0 and the window closed.
    void finish();
    void setProgress(std::int64_t done, std::int64_t total);
    void addRow(const QString& label, const QString& fileColumn, const QString& field);

    data::Tdane& dane_;
    TransferDialogs dialogs_;
    engine::Table* table_ = nullptr;
    TransferDirection direction_ = TransferDirection::Export;
    QString lastPath_;
    QString importFile_;

    QTableWidget* zamien_ = nullptr;
    QPushButton* Bplik_ = nullptr;
    QPushButton* Bstart_ = nullptr;
    QPushButton* Bsciezka_ = nullptr;
    QProgressBar* progres_ = nullptr;
    QLabel* encodingLabel_ = nullptr;
    QComboBox* encoding_ = nullptr;
    QLabel* encodingNote_ = nullptr;
};

}  // namespace lumiro::transfer
