#pragma once

#include "ui/FigureGlyphs.h"

#include <QGlyphRun>
#include <QStaticText>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

// A label whose right edge stays put: it sizes itself to its text and grows to the left, so long texts
// stay aligned with the unit column of its group.
//
// It draws its own text instead of being a QLabel: a QLabel asks its parent for a new layout on every
// text change, although nothing here is laid out, and most of a tick's writes repeat the text shown.
class TValueLabel : public QWidget {
    Q_OBJECT
public:
    static constexpr int LabelHeight = 13;

    TValueLabel(const QString& name, int rightEdge, int top, QWidget* parent);

    // Writing the text already shown does nothing at all.
    void SetCaption(const QString& caption);
    QString Caption() const { return CaptionText; }
    // Read like the plain labels beside it, so every label of a window can be read the same way.
    QString text() const { return CaptionText; }
    int RightEdge() const { return RightEdgeX; }

signals:
    // A double click of the left button; other buttons' double clicks do nothing.
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitToText();
    qreal LayOut();

    QString CaptionText;
    // The caption laid out once, when it changes: measuring it and drawing it then lay it out only once,
    // and a repaint of the same text (an uncovered label, say) lays out nothing. Digits and units take
    // their glyphs from a table (the shaper costs more than the rest of a tick); other text is shaped.
    std::shared_ptr<const TFigureGlyphs> Glyphs;
    std::optional<QGlyphRun> Run;
    QStaticText Text;
    qreal TextWidth = 0;
    int RightEdgeX;
};
