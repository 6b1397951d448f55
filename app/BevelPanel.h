#pragma once

#include <QWidget>

// A small panel with a lowered outer and a raised inner bevel and a centred caption, used as a button
// that reacts to double clicks only.
class TBevelPanel : public QWidget {
    Q_OBJECT
public:
    TBevelPanel(const QString& name, const QString& caption, QWidget* parent);
    QString Caption() const { return CaptionText; }

signals:
    // A double click of the left button; other buttons' double clicks do nothing.
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString CaptionText;
};
