#pragma once

#include "ui/FigureGlyphs.h"

#include <QFont>
#include <QGlyphRun>
#include <QStaticText>
#include <QString>
#include <QWidget>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

// A label whose right edge stays put: it sizes itself to its text and grows to the left, so long texts
// stay aligned with the unit column of its group.
//
// It draws its own text instead of being a QLabel: a QLabel asks its parent for a new layout on every
// text change, although nothing here is laid out, and most of a tick's writes repeat the text shown.
class TValueLabel : public QWidget {
    Q_OBJECT
public:
    static constexpr int LabelHeight = 13;
    // The smallest font step a label takes: a text that does not fit even then passes the left limit
    // rather than being cut off.
    static constexpr int SmallestPixelSize = 4;

    TValueLabel(const QString& name, int rightEdge, int top, QWidget* parent);

    // Writing the text already shown does nothing at all.
    void SetCaption(const QString& caption);
    QString Caption() const { return CaptionText; }
    // Read like the plain labels beside it, so every label of a window can be read the same way.
    QString text() const { return CaptionText; }
    int RightEdge() const { return RightEdgeX; }

    // How far left the text may reach, in the parent's coordinates: a text that would pass the limit is
    // drawn a font step (one pixel) smaller, step by step, down to the step at which the longest text fits.
    // The steps are decided here and at a change of font, so a new text costs one layout as before, and one
    // more per step only while it is too long for the label's own font. Digits of the longest text stand for
    // any digit: the room is made for the widest.
    void SetLeftLimit(int leftLimit, const QString& longestText);
    // The font the text shown is drawn in: the label's own, or one of its smaller steps.
    QFont TextFont() const;

signals:
    // A double click of the left button; other buttons' double clicks do nothing.
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void MakeSteps();
    void FitToText();
    qreal LayOut(const TFigureGlyphs& glyphs, const QString& text);

    QString CaptionText;
    // The caption laid out once, when it changes: measuring it and drawing it then lay it out only once,
    // and a repaint of the same text (an uncovered label, say) lays out nothing. Digits and units take
    // their glyphs from a table (the shaper costs more than the rest of a tick); other text is shaped.
    // Steps[0] is the label's own font, each further step a pixel smaller.
    struct TStep {
        std::shared_ptr<const TFigureGlyphs> Glyphs;
        // How much lower a smaller step's text starts, so that it stands on the baseline of the row.
        qreal BaselineDrop = 0;
    };
    std::vector<TStep> Steps;
    QFont StepsFont; // the label's font the steps were made for
    std::size_t Step = 0;
    std::optional<QGlyphRun> Run;
    QStaticText Text;
    qreal TextWidth = 0;
    int RightEdgeX;
    int LeftLimitX = std::numeric_limits<int>::min();
    QString LongestText;
};
