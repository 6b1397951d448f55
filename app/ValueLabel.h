#pragma once

#include <QLabel>

// A label whose right edge stays put: it sizes itself to its text and grows to the left, so long texts
// stay aligned with the unit column of its group.
class TValueLabel : public QLabel {
    Q_OBJECT
public:
    TValueLabel(const QString& name, int rightEdge, int top, QWidget* parent);

    void SetCaption(const QString& caption);
    QString Caption() const { return text(); }
    int RightEdge() const { return RightEdgeX; }

signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitToText();

    int RightEdgeX;
};
