// The controls and the platform under the windows: the owner-drawn button,
// the list grid's view, the message box window, the busy guard, the presenter.
#include "FakeDesktop.h"
#include "GuiAccessibility.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"
#include "gui/platform/frmMsgBox.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace
{

constexpr quint32 Face = 0xC08040; // R 0x40, G 0x80, B 0xC0: no part clamps
constexpr int W = 100;
constexpr int H = 30;

struct Shown {
    QWidget window;
    ZelButton *b = new ZelButton(&window);
    explicit Shown(const QString &caption = QStringLiteral("OK"))
    {
        window.resize(200, 80);
        b->setButtonType(3);
        b->setColorScheme(2);
        b->setDesignColors(Face, 0x000000);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(12);
        b->setFont(f);
        b->setText(caption);
        b->setGeometry(10, 10, W, H);
        window.show();
    }
};

// The button drawn over a magenta background, so pixels it leaves alone show.
QImage Render(ZelButton *b)
{
    QImage img(b->size(), QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 255));
    b->render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    return img;
}

const QString MainFormat =
    QStringLiteral("<Date Rec'd|<Case #|<Category|<Description|<Rec# (hidden)|<SortCol (hidden)");

// A shown grid laid out like the main window's list, with n entries whose
// case numbers count down so a sort reverses them.
struct ListGrid {
    Grid grid;
    explicit ListGrid(int entries)
    {
        grid.resize(700, 300);
        grid.setFormatString(MainFormat);
        grid.setRedraw(false);
        for (int i = 1; i <= entries; ++i)
            grid.AddItem(QStringLiteral("01/%1/2004\tC-%2\tBicycle\tItem %3\t%3")
                             .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
                             .arg(entries - i + 1, 5, 10, QLatin1Char('0'))
                             .arg(i));
        grid.setRedraw(true);
        const double widths[] = {1050, 1600, 1850, 5750};
        for (int c = 0; c < 4; ++c)
            grid.setColWidth(c, widths[c]);
        grid.setColHidden(4, true);
        grid.setColHidden(5, true);
        grid.setFillCol(3);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }
    QVariant data(int row, int col, int role = Qt::DisplayRole)
    {
        return grid.model()->data(grid.model()->index(row - 1, col), role);
    }
    QRect cellRect(int row, int col) { return grid.visualRect(grid.model()->index(row - 1, col)); }
};

MsgBoxRequest request(QStringList buttons, int defaultButton = 1, bool offer = false,
                      QString text = QStringLiteral("Delete this entry?"), int icon = 3)
{
    return MsgBoxRequest{
        QStringLiteral("Delete entry?"), icon, text, defaultButton, offer, buttons};
}

MsgBoxAnswer answerTo(const MsgBoxRequest &r, const std::function<void(frmMsgBox &)> &work)
{
    frmMsgBox box(r);
    box.show();
    if (!QTest::qWaitForWindowActive(&box))
        return {-1, false};
    work(box);
    QTest::qWait(300); // an access key clicks once its pressed look has shown
    return box.isVisible() ? MsgBoxAnswer{-2, false} : box.answer();
}

QString text(MsgBoxAnswer a)
{
    return QStringLiteral("%1 %2").arg(a.choice).arg(a.dontShow);
}

struct TwoWindows {
    std::unique_ptr<QWidget> busy = std::make_unique<QWidget>();
    QPushButton *button = new QPushButton(QStringLiteral("&Go"), busy.get());
    QLineEdit *edit = new QLineEdit(busy.get());
    std::unique_ptr<QLineEdit> other = std::make_unique<QLineEdit>();
    QSignalSpy clicked{button, &QPushButton::clicked};

    TwoWindows()
    {
        auto *layout = new QVBoxLayout(busy.get());
        layout->addWidget(button);
        layout->addWidget(edit);
        busy->show();
        other->show();
    }
    int pressAndType()
    {
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::keyClick(button, Qt::Key_Space);
        QTest::keyClicks(edit, QStringLiteral("abc"));
        busy->activateWindow();
        if (QTest::qWaitForWindowActive(busy.get())) {
            QTest::keyClick(busy.get(), Qt::Key_G, Qt::AltModifier);
            QTest::qWait(300); // an access key clicks once its pressed look has shown
        }
        return int(clicked.count());
    }
};

} // namespace

class TestControls : public QObject
{
    Q_OBJECT
private slots:
    // No test starts with the pointer over its windows.
    void init() { QCursor::setPos(QPoint(3000, 3000)); }

    void outlineLooksAndHover()
    {
        Shown shown;
        ZelButton *b = shown.b;
        QImage img = Render(b);
        // The rounded outline: two pixels of each corner's outer row and
        // one of the next are not part of the button.
        for (QPoint p :
             {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(W - 1, 0), QPoint(W - 2, 0),
              QPoint(W - 1, 1), QPoint(0, H - 1), QPoint(1, H - 1), QPoint(0, H - 2),
              QPoint(W - 1, H - 1), QPoint(W - 2, H - 1), QPoint(W - 1, H - 2)}) {
            QVERIFY2(!b->mask().contains(p),
                     qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
            QCOMPARE(img.pixel(p), qRgb(255, 0, 255));
        }
        for (QPoint p : {QPoint(2, 0), QPoint(1, 1), QPoint(W - 3, H - 1), QPoint(W - 1, H - 3)})
            QVERIFY(b->mask().contains(p));
        // Border 0x733C00; the face darkening downwards, row 15 by
        // -round(12.5) to even.
        QCOMPARE(img.pixel(50, 0), qRgb(0x00, 0x3C, 0x73));
        QCOMPARE(img.pixel(5, 15), qRgb(0x34, 0x74, 0xB4)); // blue by -12 * 0xC0 / 192
        b->setEnabled(false);
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(clicks.count(), 0);
        b->setEnabled(true);
        b->setBackColor(0xC8C800);
        QCOMPARE(Render(b).pixel(50, 1), qRgb(0x10, 0xD8, 0xD8));

        b->setBackOver(0x40C080);
        QSignalSpy in(b, &ZelButton::MouseIn), out(b, &ZelButton::MouseOut);
        QEnterEvent enter(QPointF(20, 10), QPointF(30, 20), QPointF(30, 20));
        QApplication::sendEvent(b, &enter);
        QTest::mouseMove(b, QPoint(30, 12));
        QCOMPARE(in.count(), 1);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(out.count(), 1);
    }

    void buttonMouseAndKeys()
    {
        Shown shown(QStringLiteral("&Apply"));
        ZelButton *b = shown.b;
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        QSignalSpy downs(b, &ZelButton::MouseDown), ups(b, &ZelButton::MouseUp);
        QTest::mousePress(b, Qt::RightButton, {}, QPoint(20, 10));
        QCOMPARE(b->currentLook(), ZelButton::Look::Normal);
        QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(20, 10));
        QCOMPARE(ups.at(0), QVariantList({2, 0, 20.0f, 10.0f}));
        QCOMPARE(clicks.count(), 0);
        QStringList order;
        connect(b, &ZelButton::MouseUp, b, [&] { order << "MouseUp"; });
        connect(b, &QAbstractButton::clicked, b, [&] { order << "Click"; });
        QTest::mousePress(b, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 10));
        QCOMPARE(downs.last().at(1).toInt(), 1);
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(order, QStringList({"MouseUp", "Click"}));
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(150, 60));
        QCOMPARE(clicks.count(), 1);
        QVERIFY(QTest::qWaitForWindowActive(&shown.window));
        b->setFocus();
        QSignalSpy keyDowns(b, &ZelButton::KeyDown);
        QTest::keyClick(b, Qt::Key_Space);
        QCOMPARE(clicks.count(), 2);
        QTest::keyClick(b, Qt::Key_F2, Qt::ControlModifier);
        QCOMPARE(keyDowns.last(), QVariantList({113, 2}));
        QTest::keyClick(&shown.window, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(clicks.count(), 3);
    }

    void defaultAndCancelButtons()
    {
        auto w = std::make_unique<QDialog>();
        auto *layout = new QVBoxLayout(w.get());
        auto *edit = new QLineEdit;
        ZelButton *ok = new ZelButton, *other = new ZelButton, *cancel = new ZelButton;
        for (QWidget *c : {(QWidget *)edit, (QWidget *)ok, (QWidget *)other, (QWidget *)cancel})
            layout->addWidget(c);
        ok->setDefault(true);
        cancel->setCancel(true);
        QSignalSpy okClicks(ok, &QAbstractButton::clicked),
            otherClicks(other, &QAbstractButton::clicked),
            cancelClicks(cancel, &QAbstractButton::clicked);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(okClicks.count() == 2 && cancelClicks.count() == 1 && w->isVisible());
        other->setFocus();
        QTest::keyClick(other, Qt::Key_Return);
        QVERIFY(otherClicks.count() == 1 && okClicks.count() == 2);
        edit->setFocus();
        ok->hide();
        cancel->setEnabled(false);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 2);
        QSignalSpy rejected(w.get(), &QDialog::rejected);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(rejected.count() == 1 && cancelClicks.count() == 1);
    }

    void viewShowsTheTable()
    {
        ListGrid list(5);
        Grid &g = list.grid;
        QCOMPARE(g.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Case #"));
        QCOMPARE(list.data(1, 1).toString(), QStringLiteral("C-00005"));
        QVERIFY(!g.verticalHeader()->isVisible() && !g.ColIsVisible(4));
        g.setRowsBackColor(1, g.Rows() - 1, 0, 3, 0xF0F0F0, 0x0000FF);
        QCOMPARE(list.data(2, 0, Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(240, 240, 240));
        g.setRow(2);
        g.setCol(1);
        g.setSort(5);
        QCOMPARE(list.data(1, 1).toString(), QStringLiteral("C-00001"));
        QVERIFY(g.Row() == 2 && g.selectionModel()->isSelected(g.model()->index(1, 1)));
        g.setRow(3);
        QSignalSpy moved(&g, &Grid::RowColChange);
        std::vector<QString> cells(size_t(3 * g.Cols()));
        cells[size_t(2 * g.Cols())] = QStringLiteral("row 3");
        QVERIFY(g.setRowTexts(1, std::move(cells)));
        QCOMPARE(list.data(3, 0).toString(), QStringLiteral("row 3"));
        QVERIFY(!list.data(2, 0, Qt::BackgroundRole).isValid());
        QVERIFY(g.Row() == 3 && moved.isEmpty());
    }

    void modelKeepsItsContract()
    {
        // Every change goes through the model as the view must hear of it:
        // a list from a cell source, a sort, rows added and removed, a cell
        // changed, a bulk fill while painting is off, and a reset.
        ListGrid list(4);
        Grid &g = list.grid;
        QAbstractItemModelTester tester(g.model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(g.model(), &QAbstractItemModel::dataChanged);
        QVERIFY(g.setSourceRows(1, 30, [](int row, int col) {
            return col == 1 ? QStringLiteral("K-%1").arg(30 - row, 2, 10, QLatin1Char('0'))
                            : QStringLiteral("r%1c%2").arg(row).arg(col);
        }));
        QCOMPARE(g.model()->rowCount(), 30);
        QCOMPARE(list.data(2, 1).toString(), QStringLiteral("K-29"));
        g.setCol(1);
        g.setSort(5);
        QCOMPARE(list.data(1, 1).toString() + list.data(1, 3).toString(),
                 QStringLiteral("K-01r29c3"));
        QVERIFY(g.AddItem(QStringLiteral("d\tK-00"), 1) && g.RemoveItem(31));
        QCOMPARE(list.data(1, 1).toString() + list.data(30, 1).toString(),
                 QStringLiteral("K-00K-29"));
        g.setTextMatrix(2, 3, QStringLiteral("changed"));
        QCOMPARE(list.data(2, 3).toString(), QStringLiteral("changed"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), g.model()->index(1, 3));
        g.setRedraw(false);
        for (int i = 0; i < 5; ++i)
            g.AddItem(QStringLiteral("late"));
        g.RemoveItem(1);
        g.setRedraw(true);
        QCOMPARE(g.model()->rowCount(), 34);
        g.Clear();
        QCOMPARE(list.data(3, 3).toString(), QString());
        g.setRows(1);
        QCOMPARE(g.model()->rowCount(), 0);
    }

    void deferredPainting()
    {
        ListGrid list(3);
        Grid &g = list.grid;
        // While painting is off the table changes, the view does not; on
        // again, one reset shows it all, hidden columns and widths kept.
        QSignalSpy resets(g.model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(g.model(), &QAbstractItemModel::rowsInserted);
        g.setRedraw(false);
        g.setRows(1);
        for (int i = 0; i < 50; ++i)
            g.AddItem(QStringLiteral("d\tc%1").arg(i));
        g.setRow(10);
        QVERIFY(g.model()->rowCount() == 3 && resets.isEmpty() && inserts.isEmpty());
        g.setRedraw(true);
        QVERIFY(g.updatesEnabled() && resets.size() == 1 && g.model()->rowCount() == 50);
        QCOMPARE(g.currentIndex(), g.model()->index(9, 0));
        QVERIFY(g.isColumnHidden(4) && g.columnWidth(0) == 70);
        g.AddItem(QStringLiteral("x"));
        QVERIFY(inserts.size() == 1 && resets.size() == 1);
    }

    void topRow()
    {
        ListGrid list(200);
        Grid &g = list.grid;
        g.setTopRow(120);
        QCOMPARE(g.TopRow(), 120);
        QVERIFY(g.RowIsVisible(120) && !g.RowIsVisible(119));
        for (int top : {60, 200}) {
            g.hide();
            g.setTopRow(top);
            QCOMPARE(g.TopRow(), top);
            g.show();
            QVERIFY(QTest::qWaitForWindowExposed(&g));
            QVERIFY(g.RowIsVisible(top));
        }
        QCOMPARE(g.verticalScrollBar()->value(), g.verticalScrollBar()->maximum());
        g.setTopRow(60);
        QVERIFY(g.verticalScrollBar()->value() == 59 && !g.RowIsVisible(59));
    }

    void gridMouseAndKeys()
    {
        ListGrid list(6);
        Grid &g = list.grid;
        QSignalSpy changes(&g, &Grid::RowColChange), clicks(&g, &Grid::Click),
            doubles(&g, &Grid::DblClick);
        QTest::mouseMove(g.viewport(), list.cellRect(3, 1).center());
        QVERIFY(g.MouseRow() == 3 && g.MouseCol() == 1);
        QTest::mouseMove(g.viewport(), QPoint(10, list.cellRect(6, 0).bottom() + 20));
        QCOMPARE(g.MouseRow(), -1);
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, list.cellRect(4, 2).center());
        QVERIFY(g.Row() == 4 && g.Col() == 0 && g.ColSel() == 5);
        QVERIFY(changes.count() == 1 && clicks.count() == 1);
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, list.cellRect(4, 0).center());
        QVERIFY(changes.count() == 1 && clicks.count() == 2 && doubles.isEmpty());
        QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, list.cellRect(2, 3).center());
        QVERIFY(doubles.count() == 1 && g.Row() == 2 && changes.count() == 2);
        g.setFocus();
        QTest::keyClick(&g, Qt::Key_Down);
        QVERIFY(g.Row() == 3 && changes.count() == 3);
    }

    // Enter presses the default, Esc and the close box give 0, an access
    // key its button; the tick counts whatever closes the box; a default
    // that names no button leaves Enter pressing nothing.
    void keysMouseAndTheTick()
    {
        TestEnvironment env;
        const QStringList three{"&Yes, delete this entry", "&No, keep it", "&Help"};
        const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = {}) {
            return [k, m](frmMsgBox &b) { QTest::keyClick(&b, k, m); };
        };
        const auto tick = [](frmMsgBox &b) {
            QTest::mouseClick(b.dontAskBox(), Qt::LeftButton, {}, QPoint(5, 5));
        };
        QCOMPARE(text(answerTo(request({"&Okay"}), key(Qt::Key_Return))), QStringLiteral("1 0"));
        QCOMPARE(text(answerTo(request(three, 2), key(Qt::Key_Enter))), QStringLiteral("2 0"));
        QCOMPARE(text(answerTo(request(three, 2), key(Qt::Key_H, Qt::AltModifier))),
                 QStringLiteral("3 0"));
        QCOMPARE(text(answerTo(request({"&Yes", "&No"}, 1, true),
                               [&](frmMsgBox &b) {
                                   tick(b);
                                   QTest::keyClick(&b, Qt::Key_Escape);
                               })),
                 QStringLiteral("0 1"));
        QCOMPARE(text(answerTo(request({"&Yes", "&No"}, 1, true),
                               [&](frmMsgBox &b) {
                                   tick(b);
                                   QTest::mouseClick(b.button(1), Qt::LeftButton);
                               })),
                 QStringLiteral("1 1"));
        QCOMPARE(text(answerTo(request({"&Yes", "&No"}, 7),
                               [](frmMsgBox &b) {
                                   QTest::keyClick(&b, Qt::Key_Return);
                                   if (b.isVisible())
                                       QTest::mouseClick(b.button(2), Qt::LeftButton);
                               })),
                 QStringLiteral("2 0"));
        env.desktop.answerMsgBox(0, true);
        QCOMPARE(ShowMsgBox(request({"&Yes", "&No"}, 1, true)).dontShow, true);
        env.desktop.answerMsgBox(0, true);
        QCOMPARE(ShowMsgBox(request({"&Yes", "&No"}, 1, false)).dontShow, false);
        env.desktop.answerMsgBox(3);
        QCOMPARE(ShowMsgBox("T", 2, "x", 1, false, {"&Okay", "&Cancel"}).choice, 0);
    }

    void iconsBeepsAndTheTickBox()
    {
        TestEnvironment env;
        for (int icon : {0, 1, 2, 3, 4, 5, 7}) { // 7: no icon, no beep
            frmMsgBox box(request({"&Okay"}, 1, false, "x", icon));
            box.show();
            QLabel *image = box.findChild<QLabel *>("imgIcon");
            QCOMPARE(image && !image->isHidden(), icon <= 5);
        }
        QCOMPARE(env.desktop.beeps,
                 QList<Beep>({Beep::Default, Beep::Default, Beep::Hand, Beep::Question,
                              Beep::Exclamation, Beep::Asterisk}));
        frmMsgBox plain(request({"&Yes", "&No"}));
        frmMsgBox offered(request({"&Yes", "&No"}, 1, true));
        QVERIFY(plain.dontAskBox()->isHidden() && !offered.dontAskBox()->isHidden());
        QCOMPARE(offered.dontAskBox()->text(), QStringLiteral("Don't show this again"));
    }

    // A message taller than the screen: the system's box says so and the
    // caller gets 0.
    void displayIssue()
    {
        TestEnvironment env;
        env.desktop.setScreen({640, 200});
        const MsgBoxAnswer a =
            frmMsgBox::Run(request({"&Okay"}, 1, false, QString("line\r\n").repeated(40)));
        QCOMPARE(a.choice, 0);
        QCOMPARE(env.desktop.systemBoxes,
                 (QList<QPair<QString, QString>>{
                     {"Display issue", "Custorin is trying to display a message\r\nthat is too "
                                       "big for your screen resolution.\r\n\r\nPlease contact "
                                       "the Custorin developers about this."}}));
    }

    // The pictures drawn from the SVG files of the resources: their size,
    // clear around the figure, and one colour of the figure each.
    void svgPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("done") << "entry-done" << QSize(30, 30) << QPoint(15, 6)
                              << QColor(40, 140, 70);
        QTest::newRow("help") << "entry-help" << QSize(30, 30) << QPoint(15, 6)
                              << QColor(32, 96, 176);
        QTest::newRow("find help")
            << "find-help" << QSize(24, 24) << QPoint(12, 3) << QColor(60, 110, 200);
        QTest::newRow("glass handle")
            << "find" << QSize(32, 32) << QPoint(24, 24) << QColor(90, 60, 30);
        QTest::newRow("twice as large")
            << "find" << QSize(64, 64) << QPoint(48, 48) << QColor(90, 60, 30);
        QTest::newRow("shield star")
            << "title-shield" << QSize(76, 94) << QPoint(38, 44) << QColor(236, 208, 128);
    }

    void svgPictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QPoint, point);
        QFETCH(QColor, colour);
        const QImage image = SvgPicture(":/icons/" + name + ".svg", size).toImage();
        QCOMPARE(image.size(), size);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(point), colour);
    }

    // The background repeats the texture from the top-left corner, also
    // over what the window grew by after it was set.
    void backgroundTexture()
    {
        QWidget window;
        window.resize(100, 100);
        TileBackground(BackgroundTile(), &window);
        window.resize(300, 200);
        const QImage shown = window.grab().toImage();
        const QImage tile = BackgroundTile().toImage();
        for (const QPoint p : {QPoint(10, 20), QPoint(99, 99), QPoint(250, 150), QPoint(299, 199)})
            QCOMPARE(shown.pixel(p), tile.pixel(p.x() % tile.width(), p.y() % tile.height()));
    }

    void inputIsHeldOffOnlyWhileBusy()
    {
        TwoWindows w;
        {
            BusyGuard busy(w.busy.get());
            {
                BusyGuard inner(w.busy.get());
                inner.release();
            } // a released nested guard leaves the outer one holding
            QVERIFY(hourglassShown());
            QCOMPARE(w.pressAndType(), 0);
            QCOMPARE(w.edit->text(), QString());
            QVERIFY(w.busy->isEnabled() && w.button->isEnabled() && w.edit->isEnabled());
            QTest::keyClicks(w.other.get(), QStringLiteral("xy"));
            QCOMPARE(w.other->text(), QStringLiteral("xy"));
            busy.release();
            busy.release();
            QVERIFY(!QApplication::overrideCursor());
        }
        QCOMPARE(w.pressAndType(), 3);
        QCOMPARE(w.edit->text(), QStringLiteral("abc"));
    }

    void deletedWhileBusy()
    {
        auto w = std::make_unique<TwoWindows>();
        QLineEdit *other = w->other.release();
        BusyGuard busy(w->busy.get());
        w.reset();
        QTest::keyClicks(other, QStringLiteral("z"));
        QCOMPARE(other->text(), QStringLiteral("z"));
        busy.release();
        QVERIFY(!QApplication::overrideCursor());
        delete other;
    }

    // What the core no longer asks, the presenter does: the busy folder
    // (Retry runs the work again), a file that will not open, and a question
    // from a worker thread, shown on the GUI thread.
    void presenterAsksForTheCore()
    {
        TestEnvironment env;
        env.data.options.LockWaitMs = 50;
        env.data.options.HostNameOverride = "ws-front";
        env.session.CurrentUserName = "Lee Carter";
        FolderLock other(env.data);
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(1, false, "Data folder busy");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        int runs = 0;
        UserRecord pat;
        pat.FirstName = "Pat";
        const UserResult r = RunUserChange(nullptr, env.data, [&] {
            ++runs;
            return AppendUser(env.data, pat);
        });
        QCOMPARE(r, UserResult::Cancelled);
        QCOMPARE(runs, 2);
        QCOMPARE(env.desktop.msgBoxes.value(1).text,
                 "Another workstation is saving changes to the\r\ndata files in this folder "
                 "right now:\r\nLee Carter at workstation 'ws-front'.\r\n\r\nNothing has "
                 "been changed yet.");
        other.release();
        QVERIFY(RunLocked(nullptr, env.data, [&] { LogSignInOut(env.data, LogSignedIn); }));
        QCOMPARE(env.desktop.msgBoxes.size(), 2);

        QVERIFY(QDir(env.folder()).mkdir("User.List"));
        env.data.options.UserFileOpenRetryMs = 0;
        env.desktop.answerMsgBox(1, false, "User file not available");
        env.desktop.answerMsgBox(2, false, "User file not available");
        QVERIFY(!OpenUsers(env.store));
        QCOMPARE(env.desktop.msgBoxes.size(), 4);
        QCOMPARE(env.desktop.pendingAnswers(), 0);

        QThread *askedOn = nullptr;
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            askedOn = QThread::currentThread();
            return MsgBoxAnswer{2, false};
        });
        AskThroughWindows(env.data);
        int answer = 0;
        RunBusy(nullptr, [&] { answer = env.data.ask(request({"&Yes", "&No"})); });
        QCOMPARE(answer, 2);
        QCOMPARE(askedOn, QThread::currentThread());
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
