// The window's pictures and fixed-size parts on a screen of twice the usual density: the
// pictures drawn in code carry the screen's pixel ratio, and what is drawn is whole.

#include "testenv.h"

#include "browser/browsertab.h"
#include "browser/closeall.h"
#include "browser/kwpagecontrol.h"
#include "components/logoanimation.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

constexpr int Ratio = 2;

// Labels and buttons whose text does not fit the room they were given, as "name: text".
QStringList clippedTexts(const QWidget *root)
{
    QStringList out;
    const auto shown = [root](const QWidget *w) { return w->isVisibleTo(root) && w->width() > 0; };
    for (const QPushButton *b : root->findChildren<QPushButton *>()) {
        const QString text = QString(b->text()).remove(QLatin1Char('&'));
        if (shown(b) && b->fontMetrics().horizontalAdvance(text) + 8 > b->width())
            out << b->objectName() + QStringLiteral(": ") + text;
    }
    for (const QAbstractButton *b : root->findChildren<QAbstractButton *>()) {
        const bool checkable = qobject_cast<const QCheckBox *>(b) || qobject_cast<const QRadioButton *>(b);
        if (checkable && shown(b) && b->sizeHint().width() > b->width())
            out << b->objectName() + QStringLiteral(": ") + b->text();
    }
    for (const QLabel *l : root->findChildren<QLabel *>()) {
        if (!shown(l) || l->wordWrap() || l->text().isEmpty() || Qt::mightBeRichText(l->text()))
            continue;
        const QString text = QString(l->text()).remove(QLatin1Char('&'));
        const QSize need = l->fontMetrics().size(Qt::TextShowMnemonic, text);
        if (need.width() > l->contentsRect().width() || need.height() > l->contentsRect().height())
            out << l->objectName() + QStringLiteral(": ") + text;
    }
    return out;
}

// The smallest rectangle holding every pixel that differs from the image's corner.
QRect drawnArea(const QImage &image)
{
    const QRgb background = image.pixel(0, 0);
    QRect area;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

}

class TestHighDpi : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(qApp->devicePixelRatio(), qreal(Ratio));
    }

    // The lamps are 8 x 8 in the layout and drawn with every device pixel: the frame of a
    // square lamp is one layout pixel (two device pixels) wide, the padlock's body hollow.
    void lampsCarryThePixelRatio()
    {
        const QList<QPixmap> lamps = TBrowserTab::LampImages();
        QCOMPARE(lamps.size(), 4);
        for (const QPixmap &lamp : lamps) {
            QCOMPARE(lamp.devicePixelRatio(), qreal(Ratio));
            QCOMPARE(lamp.deviceIndependentSize(), QSizeF(8, 8));
            QCOMPARE(lamp.size(), QSize(8 * Ratio, 8 * Ratio));
        }
        const QImage red = lamps.at(LampRed).toImage();
        for (const QPoint p : {QPoint(0, 0), QPoint(1, 1), QPoint(15, 8), QPoint(14, 14)})
            QCOMPARE(red.pixelColor(p), QColor(Qt::black));
        for (const QPoint p : {QPoint(2, 2), QPoint(13, 13), QPoint(8, 8)})
            QCOMPARE(red.pixelColor(p), QColor(Qt::red));
        const QImage padlock = lamps.at(LampLocked).toImage();
        QCOMPARE(padlock.pixelColor(4, 0), QColor(Qt::black));   // the shackle
        QCOMPARE(padlock.pixelColor(3, 0).alpha(), 0);
        QCOMPARE(padlock.pixelColor(0, 15), QColor(Qt::black));   // the body
        QCOMPARE(padlock.pixelColor(8, 10).alpha(), 0);           // hollow
    }

    // On the strip the lamp lands whole, at device resolution, where the tab's layout puts
    // it, and the tabs' offsets are those of the layout at twice the scale.
    void stripDrawsLampsWhole()
    {
        TKWPageControl pc;
        pc.resize(400, 200);
        pc.SetImages(TBrowserTab::LampImages());
        QList<TKWTabSheet *> pages;
        for (const char *caption : {"First", "Second tab"}) {
            auto *page = new TKWTabSheet;
            page->SetCaption(QLatin1String(caption));
            page->SetPageControl(&pc);
            pages << page;
        }
        pages[1]->SetImageIndex(LampRed);
        pages[0]->SetImageIndex(LampLocked);
        pc.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pc));

        const QImage strip = pc.TabBar()->grab().toImage();
        QCOMPARE(strip.devicePixelRatio(), qreal(Ratio));
        QCOMPARE(strip.size(), pc.TabBar()->size() * Ratio);
        for (int tab = 0; tab < 2; ++tab) {
            const QRect item = pc.TabRect(tab).translated(-pc.TabBar()->pos());
            const bool selected = pc.ActivePage() == pages[tab];
            const QRect image = TKWPageControl::TabPaintRects(item, selected, TKWPageControl::TabPosition::Top,
                                                              QSize(8, 8)).image;
            QVERIFY(QRect(QPoint(0, 0), pc.TabBar()->size()).contains(image));
            const QImage lamp = pc.Images().at(pages[tab]->ImageIndex()).toImage();
            // Every opaque device pixel of the lamp is on screen as it is in the picture.
            for (int y = 0; y < lamp.height(); ++y) {
                for (int x = 0; x < lamp.width(); ++x) {
                    const QColor want = lamp.pixelColor(x, y);
                    if (want.alpha() == 255)
                        QCOMPARE(strip.pixelColor(image.left() * Ratio + x, image.top() * Ratio + y), want);
                }
            }
            // The caption starts after the picture, inside the tab.
            QVERIFY(image.right() < item.right());
        }
    }

    // The logo's ring is drawn whole and centred in its square.
    void logoIsWhole()
    {
        TLogoAnimation logo;
        logo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&logo));
        const QImage image = logo.grab().toImage();
        QCOMPARE(image.size(), logo.size() * Ratio);
        const QRect drawn = drawnArea(image);
        QVERIFY(!drawn.isNull());
        QVERIFY2(drawn.left() > 0 && drawn.top() > 0 && drawn.right() < image.width() - 1
                     && drawn.bottom() < image.height() - 1,
                 "the ring touches the edge of its square");
        QVERIFY(qAbs(drawn.left() - (image.width() - 1 - drawn.right())) <= 1);
        QVERIFY(qAbs(drawn.top() - (image.height() - 1 - drawn.bottom())) <= 1);
    }

    // A dialog laid out in fixed pixels gives every caption room.
    void fixedDialogsFitTheirTexts()
    {
        TfrmCloseAll closeAll({QStringLiteral("First page"), QStringLiteral("Second page")});
        closeAll.show();
        QVERIFY(QTest::qWaitForWindowExposed(&closeAll));
        QCOMPARE(clippedTexts(&closeAll), QStringList());
    }
};

int main(int argc, char **argv)
{
    TTestEnv env;
    qputenv("QT_SCALE_FACTOR", QByteArray::number(Ratio));
    QApplication app(argc, argv);
    TestHighDpi tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_highdpi.moc"
