// "Prévisualisation GIF": a window run writes its preview beside the data.
#include <QAbstractButton>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "app/app_stores.h"
#include "gui/dialog_template.h"
#include "gui/generator_dlg.h"
#include "gui/generator_dlg_ids.h"
#include "gui/prompts.h"
#include "testing/test_support.h"
#ifdef VOLUMIX_WITH_GIF
#include "testing/gif_read_back.h"
#endif

namespace volumix {
namespace {

class ToldPrompts : public CPrompts {
public:
    QStringList told;
    QString chooseFile(QWidget*, const FileChoice&) override { return {}; }
    bool askYesNo(QWidget*, const QString&) override { return false; }
    void tell(QWidget*, const QString& text) override { told << text; }
};

#ifdef VOLUMIX_WITH_GIF

TEST(MainWindowGif, TickedTheRunWritesWhatThePreviewShowed) {
    test::TestFolder folder;
    auto stores = makeAppStores();
    ToldPrompts prompts;
    CGeneratorDlg dialog(*stores, prompts);
    const std::string prefix = (folder / "anim").string();
    controlById<QLineEdit>(dialog, IdObjectPath)->setText(QStringLiteral(VOLUMIX_EXAMPLES_DIR "/torus.asc"));
    controlById<QLineEdit>(dialog, IdCpcPath)->setText(QString::fromStdString(prefix));
    controlById<QLineEdit>(dialog, IdFrameCount)->setText(QStringLiteral("3"));
    auto* gifChoice = controlById<QAbstractButton>(dialog, IdGifPreview);
    ASSERT_TRUE(gifChoice != nullptr && gifChoice->isEnabled());
    gifChoice->click();
    controlById<QAbstractButton>(dialog, IdStart)->click();
    EXPECT_TRUE(prompts.told.isEmpty()) << prompts.told.join('\n').toStdString();
    EXPECT_TRUE(gifChoice->isEnabled());

    const test::GifReadBack back = test::readGifBack(prefix + ".gif");
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.frames.size(), 4u);  // the pre-roll and frames 0..2
    ASSERT_FALSE(back.frames.empty());
    // The last image is the window's frame as it was left, lines doubled.
    const std::vector<uint32_t>& last = back.frames.back();
    int32_t wrong = 0;
    for (int32_t y = 0; y < 400; ++y)
        for (int32_t x = 0; x < FrameWidth; ++x)
            wrong += last[static_cast<size_t>(y * FrameWidth + x)] != stores->frameSurface.row(y / 2)[x];
    EXPECT_EQ(wrong, 0);
}

#else

TEST(MainWindowGif, WithoutGiflibTheChoiceStaysDisabled) {
    auto stores = makeAppStores();
    ToldPrompts prompts;
    CGeneratorDlg dialog(*stores, prompts);
    EXPECT_FALSE(controlById<QWidget>(dialog, IdGifPreview)->isEnabled());
}

#endif

}  // namespace
}  // namespace volumix
