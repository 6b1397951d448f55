#pragma once

#include <QGroupBox>
#include <QPixmap>

// A framed group whose caption sits on the frame's top line, the line running through the caption's
// middle; the caption's own leading and trailing spaces keep the line clear of the text.
//
// Its frame and caption never change while values change inside it, so they are drawn once into a
// picture of the window colour and every later paint only copies the part asked for. The group covers
// its whole rectangle, so the window behind it is never painted under a changed value either.
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
    bool PictureIsCurrent() const;
    void DrawPicture();

    QPixmap Picture;
    QString PictureTitle;
};
