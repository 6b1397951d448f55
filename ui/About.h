#pragma once

#include <QByteArray>
#include <QWidget>

#include <functional>

class QLabel;
class QWindow;
class TDragToMove;

// The about window: one picture of the program, borderless, above other windows, centred on the screen
// whenever it is shown. The user drags it with the left button and hides it with a double click.
class TAboutForm : public QWidget {
    Q_OBJECT
public:
    // Starts a system move of the window; false where the window system cannot (or there is no window).
    using TMoveStarter = std::function<bool(QWindow*)>;

    explicit TAboutForm(QWidget* parent = nullptr);

    // Runs once at start-up; the window stays hidden until the menu shows it.
    void FormCreate();

    // The picture as it is kept in the program: a 500 x 350 baseline colour JPEG.
    static QByteArray PictureData();

    void SetMoveStarter(TMoveStarter starter);

    QLabel* Image = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void LoadPicture();
    void ImageDblClick();

    TDragToMove* ImageDrag = nullptr;
};
