#pragma once

#include <QColor>
#include <QAbstractButton>
#include <QFrame>

#include <type_traits>
#include <QRect>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QDialog;
class QFont;
class QWidget;

namespace volumix {

// Our stand-in for dialog templates: controls are placed from rectangles in
// dialog units, 1 DLU = 1.5 pixels across and 1.625 pixels down (the units of
// an 8-point dialog font at 96 dpi).
QRect dluRect(int x, int y, int width, int height);

// The dialog font: a size at which every caption fits the rectangle it was
// laid out for.
QFont dialogFont();

// The font of lists whose lines are laid out in columns of fixed width:
// the system's fixed-width font, at the dialog font's size.
QFont listFont(const QFont& dialog);

// Makes `dialog` a fixed-size window of `width` x `height` dialog units.
void setDialogSize(QDialog& dialog, int width, int height);

// Push buttons of our dialogs: Enter never clicks one just because it has
// the focus (Qt's auto-default); only a button made default reacts to it.
void makeNotAutoDefault(QAbstractButton* button);

// Gives `widget` its place and its control id (kept as the object name, so
// tests and the dialog find controls by id). A push button is made not
// auto-default; the dialog names its default button afterwards.
template <typename Widget>
Widget* placeControl(Widget* widget, int id, int x, int y, int width, int height) {
    widget->setGeometry(dluRect(x, y, width, height));
    if (id != 0) widget->setObjectName(QString::number(id));
    if constexpr (std::is_base_of_v<QAbstractButton, Widget>) makeNotAutoDefault(widget);
    return widget;
}

// The control of `dialog` placed with this id (nullptr when there is none or
// it is not a Widget).
template <typename Widget>
Widget* controlById(const QWidget& dialog, int id) {
    return dialog.findChild<Widget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

// A static frame painted in one colour that reports clicks: the ink and
// hardware-colour swatches.
class CSwatchFrame : public QFrame {
    Q_OBJECT
public:
    explicit CSwatchFrame(QWidget* parent, bool sunken = false);
    void setColour(QColor colour);
    QColor colour() const { return colour_; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor colour_ = Qt::black;
};

// A GDI colour 0x00BBGGRR as Qt's colour.
QColor colourOfRef(uint32_t colourRef);

}  // namespace volumix
