#include "data/information_notes.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace lumiro::data {
namespace {

using namespace Qt::StringLiterals;

struct NoteShape {
    InformationNote note;
    QString title;
    int lines;
};
const NoteShape kNotes[] = {
    {InformationNote::Kp1, u"INFORMACJA Kp-1"_s, 71},
    {InformationNote::Rp6, u"INFORMACJA Rp-6"_s, 113},
    {InformationNote::Rp7, u"INFORMACJA Rp-7"_s, 80},
};

// The notes go to text printers line by line: no line may exceed the printer's width, and
// the layout must not depend on tabs or trailing blanks.
TEST(InformationNotesTest, FixedLinesFitTheTextPrinter) {
    for (const NoteShape& shape : kNotes) {
        SCOPED_TRACE(shape.title.toStdString());
        const QStringList lines = informationNoteLines(shape.note);
        EXPECT_EQ(lines.size(), shape.lines);
        for (const QString& line : lines) {
            EXPECT_LE(line.size(), 100) << line.toStdString();
            EXPECT_FALSE(line.contains(u'\t'));
            EXPECT_FALSE(line.endsWith(u' ')) << line.toStdString();
        }
        ASSERT_FALSE(lines.isEmpty());
        const QString& title = lines.front();
        EXPECT_EQ(title.trimmed(), shape.title);
        const qsizetype lead = title.size() - title.trimmed().size();
        EXPECT_LE(std::abs(lead - (100 - lead - shape.title.size())), 1) << "title not centred";
        EXPECT_TRUE(lines.join(u' ').contains(u"17 grudnia 1998"_s));
    }
}

}  // namespace
}  // namespace lumiro::data
