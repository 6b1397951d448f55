#include "About.h"

#include "DragToMove.h"
#include "JpegPicture.h"
#include "WindowStacking.h"

#include "platform/qt/X11WindowHints.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace {

constexpr int ClientWidth = 500;
constexpr int ClientHeight = 350;

} // namespace

TAboutForm::TAboutForm(QWidget* parent) : QWidget(parent)
{
    setObjectName("AboutForm");
    setWindowTitle("Quorvel - About");
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Hiding the about window while the main window sits in the tray must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    resize(ClientWidth, ClientHeight);

    Image = new QLabel(this);
    Image->setObjectName("Image");
    Image->setAlignment(Qt::AlignCenter);
    Image->setGeometry(rect());
    Image->setCursor(Qt::PointingHandCursor);
    Image->installEventFilter(this);
    ImageDrag = new TDragToMove(*Image);
}

void TAboutForm::SetMoveStarter(TMoveStarter starter) { ImageDrag->SetMoveStarter(std::move(starter)); }

QByteArray TAboutForm::PictureData()
{
    QFile file(":/quorvel/AboutPicture.jpg");
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void TAboutForm::FormCreate()
{
    RaiseWhereStacked(this);
    setFixedSize(ClientWidth, ClientHeight);
    Image->setGeometry(rect());
}

// The picture is decoded when the window is first shown: most runs never open it, and the decoded
// picture would otherwise be held in memory for months.
void TAboutForm::LoadPicture()
{
    if (!Image->pixmap().isNull()) return;
    const QByteArray stored = PictureData();
    const TJpegPicture picture =
        TJpegPicture::Decode(reinterpret_cast<const uint8_t*>(stored.constData()), static_cast<size_t>(stored.size()));
    Image->setPixmap(QPixmap::fromImage(picture.Image));
}

void TAboutForm::showEvent(QShowEvent* event)
{
    LoadPicture();
    // Before the window is mapped: the window manager reads the initial state then.
    if (QWindow* handle = windowHandle()) X11WindowHints::KeepOffTaskbar(*handle, X11WindowHints::TDesktops::Current);
    QWidget::showEvent(event);
    const QScreen* display = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!display) return;
    const QRect area = display->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Image) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonDblClick && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ImageDblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Hidden, not destroyed: the menu shows the same window again.
void TAboutForm::ImageDblClick() { hide(); }
