// The screen on displays of several sizes and scales (the offscreen platform told the display by
// the file that QT_QPA_PLATFORM names): it stays on the display's available area with its title
// bar reachable, and nothing on it is cut off. Where its designed size does not fit, everything is
// scaled down evenly, fonts included; where that would be too small to read, it scrolls. Where it
// fits, it is exactly as designed.
#include "item_screen.h"

#include "operator/dialogs.h"
#include "operator/operator.h"

#include <QScreen>
#include <QScrollArea>

namespace {

// The whole of the control shows inside the window, or, where the screen scrolls, inside the page
// the scroll area can bring into view.
bool wholeOnScreen(const Form* form, const QWidget* control) {
    const QWidget* page = control->parentWidget();
    const QRect inPage(control->mapTo(page, QPoint()), control->size());
    const QRect visible = page == form ? form->rect() : page->rect();
    return visible.contains(inPage);
}

// The window with its frame (the title bar too, where there is one) lies inside the available area.
bool placedOnTheDisplay(const QWidget* window) {
    return window->screen()->availableGeometry().contains(window->frameGeometry());
}

}  // namespace

class TestItemSmallScreens : public QObject {
    Q_OBJECT

private slots:
    void theScreenFitsAndNothingIsCutOff() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        const QSize designed(Form::twips(11865), Form::twips(8220));
        const QRect available = f->screen()->availableGeometry();
        qInfo("display %dx%d, scaled by %.2f; window %d,%d %dx%d, frame %d,%d %dx%d", available.width(), available.height(),
              f->fitScale(), f->geometry().x(), f->geometry().y(), f->width(), f->height(), f->frameGeometry().x(),
              f->frameGeometry().y(), f->frameGeometry().width(), f->frameGeometry().height());
        QVERIFY(placedOnTheDisplay(f));
        QList<QWidget*> everything = f->controls();
        everything << f->findLabel << f->findField << f->findCount << f->noteLabel << f->exportButton << f->printButton;
        for (const QWidget* control : everything)
            QVERIFY2(wholeOnScreen(f, control), qPrintable(control->objectName()));
        // No maximise button: the size is the design's.
        QVERIFY(!(f->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(f->minimumSize(), f->maximumSize());

        const bool fits = designed.width() + 8 <= available.width() && designed.height() + 40 <= available.height();
        if (fits) {
            QCOMPARE(f->fitScale(), 1.0);
            QCOMPARE(f->size(), designed);
            QCOMPARE(f->Koumoku_NM->font().pointSizeF(), workarea.TextFontSize.toDouble());
        } else {
            QVERIFY(f->fitScale() < 1.0);
            // Everything shrinks alike: positions, sizes and fonts.
            QCOMPARE(f->Cmd_end->x(), qRound(Form::twips(7560) * f->fitScale()));
            QVERIFY(qAbs(f->Koumoku_NM->font().pointSizeF() - workarea.TextFontSize.toDouble() * f->fitScale()) < 0.01);
            QVERIFY(qAbs(f->GRID->columnWidth(2) - Form::twips(2500) * f->fitScale()) <= 1);
            // Too small to read: it scrolls, with a scroll bar only where one is needed.
            const QScrollArea* area = f->findChild<QScrollArea*>();
            QCOMPARE(area != nullptr, f->fitScale() == 0.6);
        }

        // The screen works as ever: a search opens the item.
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(s.focused(), f->Koumoku_NM);
    }

    void theOperatorDialogFitsToo() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        W2068401& dialog = signOnDialog();
        dialog.show();
        QVERIFY(placedOnTheDisplay(&dialog));
        for (const QWidget* control : dialog.controls()) QVERIFY2(wholeOnScreen(&dialog, control), qPrintable(control->objectName()));
        dialog.hide();
    }
};

QTEST_MAIN(TestItemSmallScreens)
#include "test_item_small_screens.moc"
