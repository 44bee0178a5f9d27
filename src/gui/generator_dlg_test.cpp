#include "gui/generator_dlg.h"

#include <gtest/gtest.h>

#include "gui/prompts.h"

namespace volumix {
namespace {

class AnsweringPrompts : public CPrompts {
public:
    QString chooseFile(QWidget*, const FileChoice&) override { return {}; }
    bool askYesNo(QWidget*, const QString&) override { return false; }
    void tell(QWidget*, const QString&) override {}
};

TEST(MainWindow, Opens) {
    auto stores = makeAppStores();
    AnsweringPrompts prompts;
    CGeneratorDlg dialog(*stores, prompts);
    EXPECT_TRUE(dialog.windowTitle().startsWith("Volumix V1.10"));
}

}  // namespace
}  // namespace volumix
