#pragma once

#include <QStringList>
#include <QWidget>

// The three-line status log. It ignores the mouse and the keyboard but draws its lines in the normal text
// colour, not greyed like a disabled list. A flat 1-pixel border surrounds the rows.
class TStatusLogView : public QWidget {
    Q_OBJECT
public:
    static constexpr int RowHeight = 16;
    static constexpr int BorderWidth = 1;
    static constexpr int TextLeft = 2;

    TStatusLogView(const QString& name, QWidget* parent);

    int Count() const { return static_cast<int>(Lines.size()); }
    QString Line(int index) const { return Lines.at(index); }
    void Delete(int index);
    void Append(const QString& line);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where row `row` is drawn: inside the border, one row height each, from the top.
    QRect RowRect(int row) const;

    QStringList Lines;
};
