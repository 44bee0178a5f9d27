#pragma once

// For the window tests: every dialog is laid out by hand from dialog units,
// so each is checked the same way for captions that do not fit and controls
// that cover one another.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>

// Failed expectations show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace volumix {

// The room a control's caption needs: the text and what the style draws
// beside it (an indicator, a button's margin and frame, a group's corner).
inline int captionRoom(const QWidget& w, QString& caption) {
    const QStyle* style = w.style();
    if (auto* button = qobject_cast<const QAbstractButton*>(&w)) {
        caption = button->text();
        if (qobject_cast<const QCheckBox*>(&w))
            return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &w) +
                   style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &w);
        if (qobject_cast<const QRadioButton*>(&w))
            return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &w) +
                   style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &w);
        return style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &w) +
               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &w);
    }
    if (auto* label = qobject_cast<const QLabel*>(&w)) {
        caption = label->text();
        return 0;
    }
    if (auto* group = qobject_cast<const QGroupBox*>(&w)) {
        caption = group->title();
        return 8;  // the frame's corner before the title, a gap after it
    }
    return -1;
}

// Every caption fits its control, and controls stand side by side: only a
// group box may hold others.
inline void expectCaptionsFitAndNothingOverlaps(const QWidget& dialog) {
    const QList<QWidget*> children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* w : children) {
        QString caption;
        const int decoration = captionRoom(*w, caption);
        if (decoration < 0) continue;
        EXPECT_LE(w->fontMetrics().horizontalAdvance(caption) + decoration, w->width()) << caption.toStdString();
    }
    const auto holds = [](const QWidget* outer, const QWidget* inner) {
        return qobject_cast<const QGroupBox*>(outer) != nullptr && outer->geometry().contains(inner->geometry());
    };
    for (qsizetype i = 0; i < children.size(); ++i)
        for (qsizetype j = i + 1; j < children.size(); ++j) {
            const QWidget* a = children[i];
            const QWidget* b = children[j];
            EXPECT_FALSE(a->geometry().intersects(b->geometry()) && !holds(a, b) && !holds(b, a))
                << a->metaObject()->className() << " " << a->objectName().toStdString() << " and "
                << b->metaObject()->className() << " " << b->objectName().toStdString();
        }
}

}  // namespace volumix
