// The index window over the installation's tables with the print commands in its menus: the
// pages go to a recording target, the previews are recorded with their pages.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "components/data_grid.h"
#include "components/data_source.h"
#include "printouts/document_label.h"
#include "printouts/print_commands.h"
#include "printouts/report_form.h"
#include "records/records_fixture.h"
#include "reports/print_target.h"

namespace lumiro::printouts::test {

class PrintCommandsFixture : public records::test::IndexWindowFixture {
  protected:
    // What a test adds to the services before the commands are made.
    virtual void addServices(PrintServices&) {}
    // Called as each preview opens, before its pages are taken.
    virtual void previewOpened(ReportForm&) {}

    void startWindow() {
        start();
        PrintServices services;
        services.dane = dane.get();
        services.prompter = &prompter;
        services.target = &target;
        services.markedRows = [this] { return window->XDBGrid1().markedRows(); };
        services.markCurrentRow = [this] { window->XDBGrid1().markCurrentRow(); };
        services.preview = [this](ReportForm& form, const DocumentLabel& label) {
            previews.push_back(form.documentName() + u'|' + label.fileName);
            previewLabels.push_back(label);
            previewOpened(form);
            previewPages.push_back(form.generate());
        };
        // The progress window as the run drives it: "Start title max", "+", "Stop".
        services.progressStart = [this](const QString& title, int maximum) {
            progress.push_back(QStringLiteral("Start %1 %2").arg(title).arg(maximum));
        };
        services.progressStep = [this] { progress.push_back(QStringLiteral("+")); };
        services.progressStop = [this] { progress.push_back(QStringLiteral("Stop")); };
        addServices(services);
        commands = std::make_unique<PrintCommands>(services);
        records::EmployeeIndexServices windowServices;
        windowServices.menuCommands = commands->menuCommands();
        showWindow(std::move(windowServices));
        window->XDBGrid1().gridModel()->resetNow();
    }

    void setParameters(const char* p2, bool b1) {
        engine::Table& para = dane->TPARA;
        para.edit();
        para.setAsString(para.field("P2"), p2);
        para.setAsBoolean(para.field("B1"), b1);
        para.post();
    }

    void mark(std::initializer_list<int> gridRows) {
        for (int r : gridRows) window->XDBGrid1().gridModel()->setMarked(r, true);
    }

    // "Rp-7 str. 1 Kowalska Anna" ... as the jobs went out.
    std::vector<QString> jobs() const {
        std::vector<QString> out;
        for (const auto& job : target.jobs()) out.push_back(job.title);
        return out;
    }
    std::vector<QString> questions() const {
        std::vector<QString> out;
        for (const auto& q : prompter.questions()) out.push_back(q.text);
        return out;
    }

    reports::RecordingTarget target;
    std::unique_ptr<PrintCommands> commands;
    std::vector<QString> previews;
    std::vector<reports::Document> previewPages;
    std::vector<DocumentLabel> previewLabels;
    std::vector<QString> progress;
};

}  // namespace lumiro::printouts::test
