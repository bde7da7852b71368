// A small program that drags files the way any Qt program does: it shows a window titled
// "tidora drag source" at the given place and starts a drag of the files given on its command
// line when the left button is dragged in it, or when it reads "drag" on its standard input
// (Qt does not always take a press made with XTEST right after the pointer entered). It says
// "shown" once its window is painted, "entered" when the pointer comes in, "moved" when it
// moves with the button down, "dragging" when a drag starts and "dropped" when it ends, so
// that a test can wait for each.
//     tidora-test-dragsource X Y FILE...

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QSocketNotifier>
#include <QTextStream>
#include <QUrl>
#include <QWidget>

using namespace Qt::StringLiterals;

class DragSource : public QWidget
{
public:
    explicit DragSource(QStringList files)
        : m_files(std::move(files))
    {
        setWindowTitle(u"tidora drag source"_s);
        resize(200, 200);
    }

    void startDrag()
    {
        if (m_dragging)
            return;
        m_dragging = true;
        say("dragging");
        QList<QUrl> urls;
        for (const QString& file : std::as_const(m_files))
            urls.append(QUrl::fromLocalFile(file));
        auto* data = new QMimeData;
        data->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction | Qt::MoveAction);
        m_dragging = false;
        say("dropped");
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        if (!m_shown)
            say("shown");
        m_shown = true;
    }
    void enterEvent(QEnterEvent* event) override
    {
        QWidget::enterEvent(event);
        say("entered");
    }
    void mousePressEvent(QMouseEvent* event) override { m_pressed = event->position().toPoint(); }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!(event->buttons() & Qt::LeftButton))
            return;
        if ((event->position().toPoint() - m_pressed).manhattanLength() >=
            QApplication::startDragDistance())
            startDrag();
        else
            say("moved");
    }

private:
    static void say(const char* line) { QTextStream(stdout) << line << Qt::endl; }

    bool m_shown = false;
    QStringList m_files;
    QPoint m_pressed;
    bool m_dragging = false;
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() < 2)
        return 2;
    const QPoint at(arguments.takeFirst().toInt(), arguments.takeFirst().toInt());
    DragSource window(arguments);
    window.move(at);
    window.show();
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&window, &input] {
        QTextStream in(stdin);
        const QString line = in.readLine();
        if (line.isNull())
            input.setEnabled(false);
        else if (line == QLatin1String("drag"))
            window.startDrag();
    });
    return QApplication::exec();
}
