// Employee cards across the tables of the data module: the next number of a payer's card, a
// new card, a copy, the deletion of a card with its detail rows, and cutting a table's master
// link for the length of a job. The windows, import and export, restore and the print
// commands work on cards through these.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "engine/table.h"

namespace lumiro::data {

class Tdane;

// Cards are numbered up to this; the number is written with five digits.
inline constexpr std::int64_t kHighestEmployeeNumber = 99999;

struct CardKey {
    std::int64_t payer = 0;   // ZLEC
    std::int64_t number = 0;  // NR
    friend bool operator==(const CardKey&, const CardKey&) = default;
};

// While it lives, the table shows all its rows (every payer, every employee): its master link
// is cut. The destructor restores the link and refreshes the table whatever happened meanwhile,
// an exception included; the data-aware controls on the table see the change as for any move.
class MasterLinkCut {
  public:
    explicit MasterLinkCut(engine::Table& table);
    ~MasterLinkCut();
    MasterLinkCut(const MasterLinkCut&) = delete;
    MasterLinkCut& operator=(const MasterLinkCut&) = delete;

  private:
    engine::Table& table_;
    bool wasActive_;
};

// Deleting a card removes rows from five tables, each with a journal of its own. So that a
// crash in the middle leaves the whole card or none of it, a small note naming the card is put
// in the data folder before the first row goes and removed after the last; a note found at
// the next start means the deletion is finished then (docs/data-layer.md, "Employee cards").
// The note is replaced atomically, so it is either complete or absent.
class EmployeeCards {
  public:
    // The name of the note in the data folder.
    static const char* const kDeletionNote;

    explicit EmployeeCards(Tdane& dane);

    // The highest number of the current payer's cards plus one. Leaves the employee table on
    // its primary index at the payer's last card. Throws when the numbers are used up.
    std::int64_t nextNumber();
    // A card named "Nowy" under the current payer with the next number, saved and current. A
    // pending edit of the employee table is posted first; its failure throws and adds nothing.
    void addCard();
    // A copy of the current card under the next number: every column but NR, no detail rows.
    // The copy is saved and current. False when there is no card to copy.
    bool copyCard();
    // Deletes the current card and its rows of the earnings, periods, benefit periods and
    // certificate tables; the following card becomes current. False when there is no card.
    // Refused before anything is deleted (an exception with a message for the user naming the
    // table) while one of the five tables is not open or cannot be written. A failure part way
    // is undone at once: the rows deleted so far are put back and the exception names the
    // table; only when even that fails does the note stay, the message saying that the next
    // start finishes the deletion.
    bool deleteCard();
    // Deletes the current payer with all its cards, each card whole as deleteCard does. Refused
    // before anything is deleted while one of the six tables is not open or cannot be written;
    // a failure stops at the card it met, the payer row and its remaining cards staying. False
    // when there is no payer.
    bool deletePayer();
    // "Kasowanie danych demonstracyjnych": every row of the certificate, benefit period,
    // period, earnings, employee and payer tables, in that order, each table as one durable
    // unit. Refused before anything is deleted while one of them is not open or cannot be
    // written; a failure stops at that table (its rows stay, and so do those of the tables
    // after it, the employees and payers last). `step` is called before each table.
    void deleteAllRecords(const std::function<void()>& step);
    // Finishes a deletion that a crash interrupted. Run by data-module creation once the
    // tables are open and linked; without every one of the five tables open it waits for a
    // later start.
    void finishInterruptedDeletion();

    // Where the note is kept, and the card it names when one is there and readable.
    std::string deletionNotePath() const;
    std::optional<CardKey> pendingDeletion();

  private:
    // One table's rows of a card, as they were, to be put back when a deletion fails.
    struct DeletedRows {
        engine::Table* table;
        std::vector<std::vector<engine::Value>> rows;
    };
    void deleteRows(const CardKey& card, std::vector<DeletedRows>* deleted);
    // Throws, naming the first of `tables` that is not open or cannot be written.
    void requireWritable(std::initializer_list<engine::Table*> tables, const QString& what);
    // Puts deleted rows back in their tables, the last table first; false when that fails.
    bool putBack(std::vector<DeletedRows>& deleted);

    Tdane& dane_;
};

}  // namespace lumiro::data
