// The yardstick for the program's idle cost: a bare Qt window of the main window's size with 20 labels
// whose texts change once a second, and nothing else. scripts/measure-process.sh runs it side by side
// with the program.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <array>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(528, 354);
    std::array<QLabel*, 20> labels{};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        labels[i] = new QLabel(&window);
        labels[i]->setGeometry(static_cast<int>(8 + (i % 2) * 260), static_cast<int>(8 + (i / 2) * 32), 250, 24);
    }
    window.show();
    qint64 tick = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++tick;
        for (std::size_t i = 0; i < labels.size(); ++i)
            labels[i]->setText(QString::number(tick * 1000 + static_cast<qint64>(i)));
    });
    timer.start(1000);
    return application.exec();
}
