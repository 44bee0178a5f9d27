// The real message boxes and the window's French: No is the default of every
// question, Qt's own texts come in French, and so do the reasons files fail.
#include "gui/prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <cerrno>
#include <cstring>
#include <functional>

#include "gui/dialog_layout_checks.h"
#include "gui/failure_text.h"
#include "gui/translations.h"

namespace volumix {
namespace {

// Runs `act` on the modal box once it is open.
void whenBoxOpens(const std::function<void(QMessageBox&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(*box);
    });
}

void pressKey(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

TEST(Prompts, EnterAnswersNoAndOnlyYesGoesOn) {
    CQtPrompts prompts;
    const struct {
        Qt::Key key;
        bool clickYes;
        bool expected;
    } cases[] = {{Qt::Key_Return, false, false}, {Qt::Key_Enter, false, false}, {Qt::Key_Escape, false, false},
                 {Qt::Key_unknown, true, true}};
    for (const auto& c : cases) {
        whenBoxOpens([&c](QMessageBox& box) {
            EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
            EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
            EXPECT_EQ(box.windowTitle(), ApplicationName);
            EXPECT_EQ(box.text(), "Etes-vous sur(e) ?");
            if (c.clickYes) box.button(QMessageBox::Yes)->click();
            else pressKey(&box, c.key);
        });
        EXPECT_EQ(prompts.askYesNo(nullptr, QStringLiteral("Etes-vous sur(e) ?")), c.expected) << c.key;
    }
}

TEST(Prompts, UnsavedWorkIsNamed) {
    EXPECT_EQ(unsavedWorkText(false, false), "");
    EXPECT_EQ(unsavedWorkText(true, false), "La séquence a des modifications non sauvegardées.");
    EXPECT_EQ(unsavedWorkText(false, true), "Les sprites ont des modifications non sauvegardées.");
    EXPECT_EQ(unsavedWorkText(true, true), "La séquence et les sprites ont des modifications non sauvegardées.");
}

// Qt's French reaches the standard buttons and Qt's own file dialog, the one
// the window gets where no desktop offers its own.
TEST(Translations, QtsOwnButtonsAndFileDialogSpeakFrench) {
    QTranslator* french = installQtFrench(*QCoreApplication::instance());
    ASSERT_NE(french, nullptr) << "Qt's French translations are missing (qt6-translations-l10n)";
    QMessageBox box(QMessageBox::NoIcon, ApplicationName, QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), "&Oui");
    EXPECT_EQ(box.button(QMessageBox::No)->text(), "&Non");

    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("&Nom de fichier :"))) << labels.join('|').toStdString();
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), "Annuler");
    // The kinds of file in its list, and the question before replacing one.
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), "Dossier");
    EXPECT_NE(QFileDialog::tr("%1 already exists.\nDo you want to replace it?"),
              "%1 already exists.\nDo you want to replace it?");

    QCoreApplication::removeTranslator(french);
    delete french;
    EXPECT_EQ(QMessageBox(QMessageBox::NoIcon, {}, {}, QMessageBox::Yes).button(QMessageBox::Yes)->text(), "&Yes");
}

TEST(FailureText, TheWindowWordsEveryFailureInFrench) {
    const struct {
        int error;
        const char* french;
    } cases[] = {{ENOENT, "Aucun fichier ou dossier de ce nom"},
                 {EACCES, "Permission refusée"},
                 {ENOTDIR, "N'est pas un dossier"},
                 {EISDIR, "Est un dossier"},
                 {ENOSPC, "Plus de place sur le disque"},
                 {EROFS, "Système de fichiers en lecture seule"},
                 {EMFILE, "Trop de fichiers ouverts"},
                 {ENFILE, "Trop de fichiers ouverts dans le système"}};
    for (const auto& c : cases) {
        EXPECT_EQ(systemReason(c.error), QString::fromUtf8(c.french)) << c.error;
        EXPECT_EQ(failureText(fileFailure(FailureSystem, "/tmp/out/anim.idx", c.error)),
                  "/tmp/out/anim.idx : " + QString::fromUtf8(c.french));
    }
    Failure tooLarge = fileFailure(FailureTooLarge, "/a.spt");
    tooLarge.count = 131072;
    EXPECT_EQ(failureReason(tooLarge), "Plus de 131072 octets");
    EXPECT_EQ(failureReason(fileFailure(FailureIsFolder, "/a")), "Est un dossier, pas un fichier");
    // Every code has its words, none left in English.
    for (int32_t code = FailureNone + 1; code < FailureCodeCount; ++code) {
        Failure failure;
        failure.code = static_cast<FailureCode>(code);
        failure.detail = "library";
        const QString text = failureReason(failure);
        EXPECT_FALSE(text.isEmpty()) << code;
        EXPECT_FALSE(text.contains(QStringLiteral(" the "))) << code << text.toStdString();
    }
}

}  // namespace
}  // namespace volumix
