// The documents over the data module's own tables: each detail table follows the employee the
// employee table stands on, so that one employee's rows never print on another's document, and
// the list of insured walks the second employee view through its filter.
#include <QRegularExpression>

#include "../data/mem_data_fixture.h"
#include "printouts/attachment_form.h"
#include "printouts/certificate_form.h"
#include "printouts/form_data.h"
#include "printouts/insured_list_form.h"
#include "printouts/rp6_forms.h"

namespace lumiro::printouts {
namespace {

using data::test::MemDataFixture;
using engine::Value;

Value number(std::int64_t v) {
    return Value{v};
}

class ModuleDocuments : public MemDataFixture {
  protected:
    // Payer 1 with three employees: the first with periods, benefits and a certificate, the
    // second with one period only, the third with nothing.
    void SetUp() override {
        MemDataFixture::SetUp();
        makeTables();
        addRows(kadry("RP7"), {{{"ZLEC", number(1)},
                                {"NR", number(1)},
                                {"POLE1", text("Kowalska Anna")},
                                {"KP8", text("12-03-1960")},
                                {"KP11", text("60031201234")},
                                {"R1", text("Kowalska")}},
                               {{"ZLEC", number(1)},
                                {"NR", number(2)},
                                {"POLE1", text("Nowak Piotr")},
                                {"KP8", text("05-11-1955")},
                                {"KP11", text("55110504321")},
                                {"R1", text("Nowak")}},
                               {{"ZLEC", number(1)},
                                {"NR", number(3)},
                                {"POLE1", text("Zieliński Adam")},
                                {"R1", text("Zieliński")}}});
        // Entered out of order: the table keeps them by their start date.
        addRows(kadry("ZAL"), {{{"ZLEC", number(1)},
                                {"NR", number(1)},
                                {"POLE1", text("1991.01.01")},
                                {"POLE3", text("Merkury")}},
                               {{"ZLEC", number(1)},
                                {"NR", number(1)},
                                {"POLE1", text("1983.07.01")},
                                {"POLE3", text("Modena")}},
                               {{"ZLEC", number(1)},
                                {"NR", number(2)},
                                {"POLE1", text("1975.09.01")},
                                {"POLE3", text("Hutnik")}}});
        addRows(kadry("ZAL2"), {{{"ZLEC", number(1)},
                                 {"NR", number(1)},
                                 {"POLE1", text("chorobowy")},
                                 {"POLE2", text("1995.03.01")}}});
        addRows(kadry("ZAL3"), {{{"ZLEC", number(1)},
                                 {"NR", number(1)},
                                 {"POLE2", text("Anna Kowalska")},
                                 {"POLE22", text("brak")}}});
        module = start();
        module->setEmployeeIndexWindowExists([] { return true; });
        data = std::make_unique<ModuleFormData>(*module);
    }

    void goTo(std::int64_t nr) { ASSERT_TRUE(module->TRP7.findKey({number(1), number(nr)})); }

    static QString textOf(const reports::Document& doc) {
        QString all;
        for (const reports::Page& page : doc.pages) all += page.plainText() + u'\n';
        return all;
    }

    std::unique_ptr<data::Tdane> module;
    std::unique_ptr<ModuleFormData> data;
};

TEST_F(ModuleDocuments, EachDocumentShowsOnlyTheRowsOfTheCurrentEmployee) {
    Tdruk5 rp6(*data);
    Tdruk6 attachment(*data);
    Tdruk7 certificate(*data);

    goTo(1);
    const QString rp6First = textOf(rp6.generate());
    EXPECT_TRUE(rp6First.contains(QStringLiteral("Kowalska")));
    ASSERT_TRUE(rp6First.contains(QStringLiteral("Modena")));
    ASSERT_TRUE(rp6First.contains(QStringLiteral("Merkury")));
    EXPECT_LT(rp6First.indexOf(QStringLiteral("Modena")),
              rp6First.indexOf(QStringLiteral("Merkury")));
    EXPECT_FALSE(rp6First.contains(QStringLiteral("Hutnik")));
    EXPECT_TRUE(textOf(attachment.generate()).contains(QStringLiteral("chorobowy")));
    const QString certificateFirst = textOf(certificate.generate());
    EXPECT_TRUE(certificateFirst.contains(QStringLiteral("Anna Kowalska")));
    EXPECT_TRUE(certificateFirst.contains(QStringLiteral("brak")));

    // The next employee has no certificate row and no benefits: nothing of the first remains.
    goTo(2);
    const QString rp6Second = textOf(rp6.generate());
    EXPECT_TRUE(rp6Second.contains(QStringLiteral("Hutnik")));
    EXPECT_FALSE(rp6Second.contains(QStringLiteral("Modena")));
    EXPECT_FALSE(textOf(attachment.generate()).contains(QStringLiteral("chorobowy")));
    const QString certificateSecond = textOf(certificate.generate());
    EXPECT_TRUE(certificateSecond.contains(QStringLiteral("ZAŚWIADCZENIE")));
    EXPECT_FALSE(certificateSecond.contains(QStringLiteral("Kowalska")));
    EXPECT_FALSE(certificateSecond.contains(QStringLiteral("brak")));

    goTo(3);
    EXPECT_FALSE(textOf(rp6.generate()).contains(QStringLiteral("Hutnik")));
}

TEST_F(ModuleDocuments, TheListHoldsTheChosenEmployeesOfThePayerNumberedFromOne) {
    module->WybraneNR = {3, 1};
    module->WRP7.setFiltered(true);
    module->WRP7.refresh();
    Tdruk9 list(*data, [this] { return int(module->WybraneNR.size()); });
    list.setHeading(QStringLiteral("7"), QStringLiteral("2005"), QStringLiteral("2005.03.10"));
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const QString all = textOf(list.generate()).simplified();
        // In the view's order (by number) whatever the order of the choice, each chosen employee
        // once, the other one not at all.
        const QRegularExpression rows(QStringLiteral("1 Kowalska Anna 12-03-1960 60031201234.*"
                                                     "2 Zieliński Adam"),
                                      QRegularExpression::DotMatchesEverythingOption);
        EXPECT_TRUE(rows.match(all).hasMatch()) << all.toStdString();
        EXPECT_EQ(all.count(QStringLiteral("Kowalska Anna")), 1);
        EXPECT_FALSE(all.contains(QStringLiteral("Nowak")));
        EXPECT_EQ(list.Rap1.element(QStringLiteral("ilosc")).caption, QStringLiteral("2"));
    }
}

}  // namespace
}  // namespace lumiro::printouts
