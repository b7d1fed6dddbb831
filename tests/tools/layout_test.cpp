#include "tools/layout.h"

#include <gtest/gtest.h>

#include "engine/cp1250.h"
#include "tools/tool_error.h"

namespace lumiro::tools {
namespace {

using engine::FieldType;

std::string layoutError(const std::string& text) {
    try {
        parseLayout(text);
    } catch (const ToolError& e) {
        return e.what();
    }
    return {};
}

TEST(Layout, ReadsColumnsKeyAndIndexes) {
    auto def = parseLayout(
        "# karta pracownika\n"
        "NR        I\n"
        "NAZWISKO  A 30\r\n"
        "   \n"
        "DATA UR\tD\t0\n"
        "KWOTA     # 2\n"
        "UWAGI     M 240\n"
        "key = 1\n"
        "index NAZW NAZWISKO;NR nocase,unique\n"
        "index\tPO DACIE\tDATA UR\t-\n");
    ASSERT_EQ(def.fields.size(), 5u);
    EXPECT_EQ(def.fields[1].name, "NAZWISKO");
    EXPECT_EQ(def.fields[1].type, FieldType::Alpha);
    EXPECT_EQ(def.fields[1].size, 30);
    EXPECT_EQ(def.fields[2].name, "DATA UR") << "TAB-separated lines allow spaces in names";
    EXPECT_EQ(def.fields[3].type, FieldType::Bcd);
    ASSERT_EQ(def.indexes.size(), 3u);
    EXPECT_TRUE(def.indexes[0].primary);
    EXPECT_EQ(def.indexes[0].fields, std::vector<std::string>{"NR"});
    EXPECT_EQ(def.indexes[1].name, "NAZW");
    EXPECT_EQ(def.indexes[1].fields, (std::vector<std::string>{"NAZWISKO", "NR"}));
    EXPECT_TRUE(def.indexes[1].unique && def.indexes[1].caseInsensitive);
    EXPECT_FALSE(def.indexes[2].unique || def.indexes[2].caseInsensitive);
}

TEST(Layout, SchemaTextReadsBackToTheSameSchemaText) {
    std::string schema =
        "ID\t+\t0\n"
        "NAZWISKO\tA\t40\n"
        "MIEJSCOWOŚĆ\tA\t25\n"
        "PENSJA\t$\t0\n"
        "ZDJĘCIE\tG\t10\n"
        "key=1\n"
        "index\tMIASTO\tMIEJSCOWOŚĆ;NAZWISKO\tnocase\n"
        "index\tNAZ\tNAZWISKO\t-\n"
        "index\tJEDEN\tNAZWISKO;ID\tunique,nocase\n";
    auto def = parseLayout(schema);
    EXPECT_EQ(def.fields[2].name, engine::utf8ToCp1250("MIEJSCOWOŚĆ"));
    EXPECT_EQ(formatSchema(def.fields, 1, def.indexes), schema);
    auto unkeyed = parseLayout("A\tA\t1\nkey=0\n");
    EXPECT_EQ(unkeyed.indexes.size(), 0u);
    EXPECT_EQ(formatSchema(unkeyed.fields, 0, unkeyed.indexes), "A\tA\t1\nkey=0\n");
}

TEST(Layout, MistakesAreReportedWithTheirLine) {
    struct Case {
        const char* text;
        const char* expected;  // part of the message
    } cases[] = {
        {"NR I\nNAZWA X 10\n", "wiersz 2: nieznany typ pola „X”"},
        {"NAZWA A\n", "wymaga rozmiaru"},
        {"NAZWA A 0\n", "między 1 a 255"},
        {"NAZWA A 256\n", "między 1 a 255"},
        {"DATA D 8\n", "nie ma rozmiaru"},
        {"NOTATKA M 241\n", "między 1 a 240"},
        {"NAZWA A dziesięć\n", "nie jest liczbą"},
        {"NR I\nnr S\n", "wiersz 2: pole nr występuje dwa razy"},
        {"NR I\nkey=2\n", "wiersz 2: klucz ma 2 kolumn"},
        {"NR I\nkey=1\nkey=1\n", "wiersz 3: klucz podano już w wierszu 2"},
        {"NR I\nkey=jeden\n", "wymaga liczby"},
        {"NR I\nindex A NR;BRAK\n", "wiersz 2: indeks odwołuje się do nieznanego pola BRAK"},
        {"NR I\nindex A NR desc\n", "nieznana opcja indeksu „desc”"},
        {"NR I\nindex A NR;;NR\n", "pusta nazwa pola"},
        {"NR I\nindex A NR\nindex a NR\n", "wiersz 3: indeks a występuje dwa razy"},
        {"NR I 0 extra\n", "oczekiwano „NAZWA TYP [ROZMIAR]”"},
        {"ИМЯ A 10\n", "spoza strony kodowej 1250"},
        {"# tylko komentarz\n\n", "żadnego pola"},
    };
    for (const Case& c : cases) {
        std::string message = layoutError(c.text);
        EXPECT_NE(message.find(c.expected), std::string::npos)
            << "layout: " << c.text << "\nmessage: " << message;
    }
}

}  // namespace
}  // namespace lumiro::tools
