#pragma once

#include "TrendStyle.h"

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

struct TTrendView;

// A small graph of the latest samples of one or two series: index 0 is the oldest sample, the last index
// the newest; each sample is clamped to MinVal..MaxVal when added. Every change repaints once, later.
class TTrend : public QWidget {
    Q_OBJECT
public:
    explicit TTrend(QWidget* parent = nullptr);

    int64_t MinVal() const { return MinValue; }
    void SetMinVal(int64_t value);
    int64_t MaxVal() const { return MaxValue; }
    void SetMaxVal(int64_t value);
    int32_t Divisions() const { return DivisionCount; }
    void SetDivisions(int32_t value);
    TTrendOptions Options() const { return OptionSet; }
    void SetOptions(TTrendOptions value);
    TTrendStyle Style() const { return DrawStyle; }
    void SetStyle(TTrendStyle value);
    QColor ColorDataA() const { return ColorA; }
    void SetColorDataA(const QColor& value);
    QColor ColorDataB() const { return ColorB; }
    void SetColorDataB(const QColor& value);
    // The background: a fixed colour, or a colour of the palette that follows the desktop's theme.
    QColor Color() const;
    void SetColor(const QColor& value);
    void SetSystemColor(QPalette::ColorRole role);
    std::optional<QPalette::ColorRole> SystemColor() const { return BackgroundRole; }
    int32_t BorderWidth() const { return Border; }
    void SetBorderWidth(int32_t value);

    const std::vector<int64_t>& DataA() const { return SamplesA; }
    const std::vector<int64_t>& DataB() const { return SamplesB; }
    void AddDataA(int64_t value);
    void AddDataB(int64_t value);
    void ClearDataA();
    void ClearDataB();

    // The picture of the control at its current size, as the next paint shows it. Raises an arithmetic
    // error (and composes nothing) when a coordinate cannot be computed.
    QImage Paint() const;

signals:
    // A double click of the left button; other buttons' double clicks do nothing.
    void DoubleClicked();
    void MousePressed(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    template <typename T> void Store(T& field, const T& value);
    void AddSample(std::vector<int64_t>& samples, int32_t& added, int64_t value);
    // Asks to show again the part of the control where the places first..last are drawn.
    void UpdateSamples(int32_t first, int32_t last);
    // Drops the picture shown last, so that the next paint draws the whole of it, and asks for that paint.
    void Redraw();
    // Brings the picture shown last up to date with the samples, the bounds, the colours and the size.
    void Refresh();
    // What the painter reads of the control, as it is now.
    TTrendView View() const;

    int64_t MinValue = 0;
    int64_t MaxValue = 100;
    int32_t DivisionCount = 0;
    TTrendOptions OptionSet = toTwin;
    TTrendStyle DrawStyle = tsBar;
    QColor ColorA = QColor(0, 255, 0);
    QColor ColorB = QColor(255, 0, 0);
    QColor Background;
    std::optional<QPalette::ColorRole> BackgroundRole = QPalette::Button;
    int32_t Border = 1;
    std::vector<int64_t> SamplesA;
    std::vector<int64_t> SamplesB;

    // The picture shown last, valid for its size and background, and the samples each series gained
    // since: a second's paint usually moves the bars one column and draws one new one.
    QImage Shown;
    bool ShownValid = false;
    QRgb ShownBackground = 0;
    int32_t AddedA = 0;
    int32_t AddedB = 0;
};
