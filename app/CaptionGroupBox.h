#pragma once

#include <QGroupBox>
#include <QPixmap>

// A framed group whose caption sits on the frame's top line, the line running through the caption's
// middle; the caption's own leading and trailing spaces keep the line clear of the text.
//
// Its frame and caption never change while values change inside it. A value's repaint only fills its
// place with the window colour; the caption, with the frame's top line it sits on, is drawn once into a
// band picture that later paints copy. The group covers its whole rectangle, so the window behind it is
// never painted under a changed value either.
class TCaptionGroupBox : public QGroupBox {
    Q_OBJECT
public:
    // The caption's left end, from the group's left edge.
    static constexpr int CaptionLeft = 8;

    TCaptionGroupBox(const QString& name, const QString& caption, QWidget* parent);

    // The row of the frame's top line: the middle of the caption's line of text.
    int FrameTop() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The caption's line of text across the whole group, or the frame's top line with the row under it,
    // whichever reaches lower.
    int BandHeight() const;
    QRect FrameRect() const;
    void DrawFrame(QPainter& painter) const;
    bool BandIsCurrent() const;
    void DrawBand();

    QPixmap Band;
    QString BandTitle;
};
