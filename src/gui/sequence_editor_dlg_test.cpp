// The sequence editor driven as a user drives it: typing into its boxes,
// clicking its list and buttons, answering its questions and file choosers.
#include "gui/sequence_editor_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>

#include "gui/dialog_layout_checks.h"
#include "gui/dialog_template.h"
#include "gui/prompts.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;
using Dlg = CSequenceEditorDlg;

const SequenceFrame Start{160, 100, 1000, 1000, 90, 0, 0};
const SequenceFrame Increments{0, 0, 0, 0, 0, 6, 0};
const QString ClearQuestion = QStringLiteral("Etes-vous sur(e) ?");
const QString ReplaceQuestion = QStringLiteral("Etes-vous sur(e) ? (cela écrasera la séquence actuelle)");

SequenceFrame rowOf(int32_t n) { return {n, n + 1, n + 2, n + 3, n + 4, n + 5, n + 6}; }

// Answers the dialog's questions and choosers from queues, and keeps what
// was asked. A question or chooser nobody expected fails the test.
class FakePrompts : public CPrompts {
public:
    std::deque<bool> answers;
    std::deque<QString> files;
    QStringList questions;
    std::vector<FileChoice> choices;

    QString chooseFile(QWidget*, const FileChoice& choice) override {
        choices.push_back(choice);
        if (files.empty()) {
            ADD_FAILURE() << "unexpected file chooser";
            return {};
        }
        const QString file = files.front();
        files.pop_front();
        return file;
    }
    bool askYesNo(QWidget*, const QString& text) override {
        questions << text;
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question " << text.toStdString();
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void tell(QWidget*, const QString& text) override { ADD_FAILURE() << "unexpected box " << text.toStdString(); }
};

void clickWidget(QWidget* widget, QPoint at) {
    for (const auto& [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                        std::pair{QEvent::MouseButtonRelease, Qt::NoButton}}) {
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

void pressKey(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

// An editor over its own sequence of `rows` rows rowOf(0), rowOf(10), ...
struct Session {
    AnimationSequence sequence;
    FakePrompts prompts;
    std::unique_ptr<Dlg> dialog;

    explicit Session(int32_t rows, int32_t frameCount = 60, SequenceFrame start = Start) {
        for (int32_t i = 0; i < rows; ++i) sequence.append(rowOf(10 * i));
        dialog = std::make_unique<Dlg>(sequence, start, Increments, frameCount, prompts);
    }
    ~Session() {
        EXPECT_TRUE(prompts.answers.empty()) << "questions not asked";
        EXPECT_TRUE(prompts.files.empty()) << "choosers not shown";
    }
    QListWidget* listBox(int32_t id) const { return controlById<QListWidget>(*dialog, id); }
    QLineEdit* box(size_t k) const { return controlById<QLineEdit>(*dialog, Dlg::EditBoxIds[k]); }
    QAbstractButton* button(int32_t id) const { return controlById<QAbstractButton>(*dialog, id); }
    bool enabled(int32_t id) const { return controlById<QWidget>(*dialog, id)->isEnabled(); }
    void click(int32_t id) const { button(id)->click(); }

    // A click on line `row` of the sequence list, as the mouse does it.
    void pickLine(int row) const {
        QListWidget* list = listBox(Dlg::IdSequenceList);
        list->scrollToItem(list->item(row));
        clickWidget(list->viewport(), list->visualItemRect(list->item(row)).center());
    }
    int highlighted() const {
        const auto picked = listBox(Dlg::IdSequenceList)->selectedItems();
        return picked.isEmpty() ? -1 : listBox(Dlg::IdSequenceList)->row(picked.constFirst());
    }
    QStringList lines(int32_t id) const {
        QStringList texts;
        for (int row = 0; row < listBox(id)->count(); ++row) texts << listBox(id)->item(row)->text();
        return texts;
    }
    QStringList messages() const { return lines(Dlg::IdMessageList); }
    void type(const SequenceFrame& values) const {
        for (size_t k = 0; k < 7; ++k) box(k)->setText(QString::number(values.field(static_cast<int>(k))));
    }
    SequenceFrame shown() const {
        SequenceFrame values;
        for (size_t k = 0; k < 7; ++k) values.field(static_cast<int>(k)) = box(k)->text().toInt();
        return values;
    }
    // "Edition", "Suppression", "Effacer Séquence", "Exporter Séquence".
    SequenceEditorButtons buttons() const {
        return {enabled(Dlg::IdEdit), enabled(Dlg::IdDelete), enabled(Dlg::IdClearSequence), enabled(Dlg::IdExport)};
    }
};

TEST(SequenceEditorDlg, LayoutFollowsTheTemplateAndCaptionsFit) {
    Session s(0);
    EXPECT_EQ(s.dialog->windowTitle(), QStringLiteral("Editeur de séquence"));
    EXPECT_EQ(s.dialog->size(), dluRect(0, 0, 404, 309).size());
    const std::pair<int32_t, QRect> controls[] = {
        {Dlg::IdSequenceList, dluRect(8, 16, 388, 176)},   {Dlg::EditBoxIds[0], dluRect(24, 196, 36, 12)},
        {Dlg::EditBoxIds[6], dluRect(360, 196, 36, 12)},   {Dlg::IdEdit, dluRect(8, 216, 44, 12)},
        {Dlg::IdInsert, dluRect(56, 216, 44, 12)},         {Dlg::IdDelete, dluRect(104, 216, 44, 12)},
        {Dlg::IdMessageList, dluRect(4, 236, 324, 56)},    {Dlg::IdClearMessages, dluRect(332, 236, 68, 12)},
        {Dlg::IdExport, dluRect(8, 296, 68, 12)},          {Dlg::IdImport, dluRect(80, 296, 68, 12)},
        {Dlg::IdClearSequence, dluRect(152, 296, 68, 12)}, {Dlg::IdGenerate, dluRect(272, 296, 128, 12)},
    };
    for (const auto& [id, rect] : controls) {
        ASSERT_NE(controlById<QWidget>(*s.dialog, id), nullptr) << id;
        EXPECT_EQ(controlById<QWidget>(*s.dialog, id)->geometry(), rect) << id;
    }

    expectCaptionsFitAndNothingOverlaps(*s.dialog);
}

TEST(SequenceEditorDlg, OpensOnTheStartValuesAndTheWholeSequence) {
    const struct {
        int32_t rows;
        SequenceEditorButtons buttons;
    } cases[] = {
        {0, {false, false, false, false}},
        {3, {false, false, true, true}},
    };
    for (const auto& c : cases) {
        Session s(c.rows);
        EXPECT_EQ(s.shown(), Start) << c.rows;
        EXPECT_EQ(s.buttons(), c.buttons) << c.rows;
        EXPECT_EQ(s.highlighted(), -1) << c.rows;
        ASSERT_EQ(s.lines(Dlg::IdSequenceList).size(), c.rows);
        for (int32_t i = 0; i < c.rows; ++i)
            EXPECT_EQ(s.lines(Dlg::IdSequenceList)[i].toStdString(), sequenceListLine(i, rowOf(10 * i)));
    }
    Session s(1);
    EXPECT_EQ(s.lines(Dlg::IdSequenceList)[0].toStdString(),
              "Trame:  0  PX:0         PY:1         ZX:2         ZY:3         AX:4         AY:5         AZ:6       ");
}

TEST(SequenceEditorDlg, PickingALineShowsItAndEditionStoresTheBoxes) {
    Session s(3);
    s.pickLine(1);
    EXPECT_EQ(s.dialog->editor().selectedRow(), 1);
    EXPECT_EQ(s.shown(), rowOf(10));
    EXPECT_EQ(s.buttons(), (SequenceEditorButtons{true, true, true, true}));

    s.box(0)->setText(QStringLiteral("77abc"));
    s.box(4)->setText(QStringLiteral("  -400"));
    s.click(Dlg::IdEdit);
    SequenceFrame stored = rowOf(10);
    stored.px = 77;
    stored.ax = -400;
    EXPECT_EQ(s.sequence.row(1), stored);
    EXPECT_EQ(s.lines(Dlg::IdSequenceList)[1].toStdString(), sequenceListLine(1, stored));
    EXPECT_EQ(s.box(0)->text(), QStringLiteral("77"));  // what was understood
    // The refill neither drops the selection nor moves the highlight.
    EXPECT_EQ(s.highlighted(), 1);
    EXPECT_EQ(s.dialog->editor().selectedRow(), 1);
    EXPECT_TRUE(s.enabled(Dlg::IdEdit));
    EXPECT_TRUE(s.sequence.unsaved);
}

TEST(SequenceEditorDlg, InsertionAppendsAtTheEnd) {
    Session s(5);
    s.pickLine(2);
    s.type(rowOf(-9));
    s.click(Dlg::IdInsert);
    ASSERT_EQ(s.sequence.rowCount, 6);
    EXPECT_EQ(s.sequence.row(5), rowOf(-9));
    EXPECT_EQ(s.sequence.row(2), rowOf(20));
    EXPECT_EQ(s.lines(Dlg::IdSequenceList).size(), 6);
    EXPECT_EQ(s.highlighted(), 5);  // the new line shows, unpicked
    EXPECT_EQ(s.buttons(), (SequenceEditorButtons{false, false, true, true}));

    // A press on the highlighted line picks it.
    s.pickLine(5);
    EXPECT_EQ(s.dialog->editor().selectedRow(), 5);
    EXPECT_TRUE(s.enabled(Dlg::IdEdit));
}

TEST(SequenceEditorDlg, InsertionIntoAFullSequenceIsRefused) {
    Session s(SequenceCapacity);
    s.sequence.unsaved = false;
    s.type(rowOf(-1));
    s.click(Dlg::IdInsert);
    EXPECT_EQ(s.sequence.rowCount, SequenceCapacity);
    EXPECT_EQ(s.sequence.row(SequenceCapacity - 1), rowOf(10 * (SequenceCapacity - 1)));
    EXPECT_EQ(s.lines(Dlg::IdSequenceList).size(), SequenceCapacity);
    EXPECT_EQ(s.messages(), QStringList{QStringLiteral("Séquence pleine (360 trames maximum)")});
    EXPECT_EQ(s.listBox(Dlg::IdMessageList)->currentRow(), 0);
    EXPECT_FALSE(s.sequence.unsaved);
}

TEST(SequenceEditorDlg, ClearingAsksFirst) {
    for (const bool yes : {false, true}) {
        Session s(3);
        s.pickLine(1);
        s.prompts.answers = {yes};
        s.click(Dlg::IdClearSequence);
        EXPECT_EQ(s.prompts.questions, QStringList{ClearQuestion});
        EXPECT_EQ(s.sequence.rowCount, yes ? 0 : 3) << yes;
        EXPECT_EQ(s.lines(Dlg::IdSequenceList).size(), yes ? 0 : 3);
        EXPECT_EQ(s.dialog->editor().selectedRow(), yes ? -1 : 1);
        const SequenceEditorButtons expected = yes ? SequenceEditorButtons{} : SequenceEditorButtons{true, true, true, true};
        EXPECT_EQ(s.buttons(), expected);
        EXPECT_TRUE(s.messages().isEmpty());
    }
}

TEST(SequenceEditorDlg, GeneratingAsksOnlyOverARealSequence) {
    const struct {
        int32_t rows;
        std::deque<bool> answers;
        int32_t rowsAfter;
    } cases[] = {
        {0, {}, 4},
        {2, {false}, 2},
        {2, {true}, 4},
    };
    SequenceFrame start = Start;
    start.px = 10;
    for (const auto& c : cases) {
        Session s(c.rows, 4, start);
        s.prompts.answers = c.answers;
        s.click(Dlg::IdGenerate);
        EXPECT_EQ(s.prompts.questions.size(), c.answers.size()) << c.rows;
        if (!c.answers.empty()) {
            EXPECT_EQ(s.prompts.questions[0], ReplaceQuestion);
        }
        ASSERT_EQ(s.sequence.rowCount, c.rowsAfter) << c.rows;
        if (c.rowsAfter == 4) {
            EXPECT_EQ(s.sequence.row(3), advanceFrame(start, Increments, 3));
            EXPECT_EQ(s.messages(), QStringList{QStringLiteral("Nombre de trames calculées : 4")});
            EXPECT_EQ(s.lines(Dlg::IdSequenceList).size(), 4);
        } else {
            EXPECT_EQ(s.sequence.row(1), rowOf(10));
            EXPECT_TRUE(s.messages().isEmpty());
        }
    }
}

TEST(SequenceEditorDlg, CsvRoundTripThroughTheChoosers) {
    test::TestFolder folder;
    const QString file = QString::fromStdString((folder / "anim.csv").string());
    Session s(3);
    s.prompts.files = {file};
    s.click(Dlg::IdExport);
    ASSERT_EQ(s.prompts.choices.size(), 1u);
    const FileChoice& save = s.prompts.choices[0];
    EXPECT_TRUE(save.save);
    EXPECT_TRUE(save.askOverwrite);
    EXPECT_EQ(save.filter, QStringLiteral("Fichiers CSV (*.csv *.CSV)"));
    EXPECT_EQ(save.defaultSuffix, QStringLiteral("CSV"));
    EXPECT_EQ(s.messages().back(), QStringLiteral("Nombre de trames exportées : 3"));
    EXPECT_EQ(test::readText(folder / "anim.csv").substr(0, 13), "Num\xE9ro Frame;");
    EXPECT_FALSE(s.sequence.unsaved);

    // Import into an empty sequence: no question.
    Session t(0);
    t.prompts.files = {file};
    t.click(Dlg::IdImport);
    ASSERT_EQ(t.prompts.choices.size(), 1u);
    const FileChoice& open = t.prompts.choices[0];
    EXPECT_FALSE(open.save);
    EXPECT_TRUE(open.fileMustExist);
    EXPECT_EQ(open.filter, save.filter);
    EXPECT_TRUE(t.prompts.questions.isEmpty());
    ASSERT_EQ(t.sequence.rowCount, 3);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(t.sequence.row(i), s.sequence.row(i));
    EXPECT_EQ(t.lines(Dlg::IdSequenceList), s.lines(Dlg::IdSequenceList));
    EXPECT_EQ(t.messages(), QStringList{QStringLiteral("Nombre de trames importées : 3")});
    EXPECT_EQ(t.buttons(), (SequenceEditorButtons{false, false, true, true}));

    // A file that cannot be created is reported; a cancelled chooser is not.
    const QString unwritable = QString::fromStdString((folder / "no" / "such.csv").string());
    t.prompts.files = {unwritable, QString()};
    t.click(Dlg::IdExport);
    t.click(Dlg::IdExport);
    EXPECT_EQ(t.messages().back(), QStringLiteral("Erreur de création du fichier ") + unwritable);
    EXPECT_EQ(t.listBox(Dlg::IdMessageList)->currentRow(), 1);
    t.click(Dlg::IdClearMessages);
    EXPECT_TRUE(t.messages().isEmpty());
}

TEST(SequenceEditorDlg, ImportReports) {
    test::TestFolder folder;
    test::writeText(folder / "two.csv", "Num\xE9ro Frame;\r\n0;5;5;5;5;5;5;5;\r\n1;6;6;6;6;6;6;6;\r\n");
    test::writeText(folder / "from1.csv", "1;5;5;5;5;5;5;5;\r\n");
    const auto path = [&](const char* name) { return QString::fromStdString((folder / name).string()); };
    const struct {
        const char* name;
        std::deque<bool> answers;
        std::deque<QString> files;
        int32_t rowsAfter;
        QStringList messages;
    } cases[] = {
        {"refused", {false}, {}, 4, {}},
        {"cancelled", {true}, {QString()}, 4, {}},
        {"missing", {true}, {path("none.csv")}, 4,
         {QStringLiteral("Erreur d'ouverture du fichier ") + path("none.csv")}},
        {"two rows", {true}, {path("two.csv")}, 2, {QStringLiteral("Nombre de trames importées : 2")}},
        {"numbered from 1", {true}, {path("from1.csv")}, 0, {QStringLiteral("Nombre de trames importées : 0")}},
    };
    for (const auto& c : cases) {
        Session s(4);
        s.pickLine(1);
        s.prompts.answers = c.answers;
        s.prompts.files = c.files;
        s.click(Dlg::IdImport);
        EXPECT_EQ(s.prompts.questions, QStringList{ReplaceQuestion}) << c.name;
        EXPECT_EQ(s.sequence.rowCount, c.rowsAfter) << c.name;
        EXPECT_EQ(s.lines(Dlg::IdSequenceList).size(), c.rowsAfter) << c.name;
        EXPECT_EQ(s.messages(), c.messages) << c.name;
        // The pick survives while its row does.
        EXPECT_EQ(s.dialog->editor().selectedRow(), c.rowsAfter > 1 ? 1 : -1) << c.name;
        EXPECT_EQ(s.highlighted(), c.rowsAfter > 1 ? 1 : -1) << c.name;
    }
}

TEST(SequenceEditorDlg, EnterDoesNothingAndClosingKeepsEveryChange) {
    for (const bool escape : {true, false}) {
        Session s(2);
        bool openAfterEnter = false;
        int32_t rowsAfterEnter = -1;
        // Once the modal loop runs: Enter everywhere, one change, then close.
        QTimer::singleShot(0, s.dialog.get(), [&] {
            s.button(Dlg::IdInsert)->setFocus();
            for (QWidget* target : {static_cast<QWidget*>(s.box(2)), static_cast<QWidget*>(s.button(Dlg::IdInsert)),
                                    static_cast<QWidget*>(s.listBox(Dlg::IdSequenceList)),
                                    static_cast<QWidget*>(s.dialog.get())})
                for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) pressKey(target, key);
            openAfterEnter = s.dialog->isVisible();
            rowsAfterEnter = s.sequence.rowCount;
            s.type(rowOf(-3));
            s.click(Dlg::IdInsert);
            if (escape) pressKey(s.box(0), Qt::Key_Escape);
            else s.dialog->close();
        });
        EXPECT_EQ(s.dialog->exec(), QDialog::Rejected);
        EXPECT_TRUE(openAfterEnter) << escape;
        EXPECT_EQ(rowsAfterEnter, 2) << escape;
        EXPECT_FALSE(s.dialog->isVisible());
        ASSERT_EQ(s.sequence.rowCount, 3) << escape;
        EXPECT_EQ(s.sequence.row(2), rowOf(-3));
    }
}

}  // namespace
}  // namespace volumix
