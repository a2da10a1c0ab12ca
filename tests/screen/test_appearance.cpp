// The screen's layout, its styling from the settings, clearing and the header band.
#include "screen_fixture.h"

#include "settings/settings.h"
#include "startup/startup.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

namespace {

// The item screen with room for controls of other names, and a load that can fail.
// Its load leaves the item list alone: styling needs no database.
class ProbeForm : public F_R205730 {
public:
    ProbeForm() : F_R205730(confirmExit) {}
    using Form::addControl;
    bool failLoad = false;

protected:
    void Form_Load() override {
        if (failLoad) throw std::runtime_error("item list failed");
        centreForm(this);
    }
};

QColor back(const QWidget* w, QPalette::ColorRole role = QPalette::Window) { return w->palette().color(role); }

}  // namespace

class AppearanceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<platform::ScriptedToolkitScope> scope;

    void freshToolkit() {
        resetProgramState();
        scope.reset();  // the old scope's end would put the real toolkit back
        scope = std::make_unique<platform::ScriptedToolkitScope>();
    }
    ProbeForm* freshForm() {
        freshToolkit();
        setSampleAppearance();
        auto* form = new ProbeForm;
        workarea.mainForm = form;
        return form;
    }
    // Runs the styling; true when it ended the program.
    bool applyEnds() {
        try {
            applyAppearance();
        } catch (const platform::ProgramEnded&) {
            return true;
        }
        return false;
    }

private slots:
    void cleanup() {
        resetProgramState();
        scope.reset();
    }

    void layoutFollowsTheDesign() {
        ShownScreen s;
        F_R205730* f = s.form();
        QCOMPARE(f->windowTitle(), QStringLiteral("項目情報マスタ保守 "));
        QCOMPARE(f->size(), QSize(Form::twips(11865), Form::twips(8220)));
        QVERIFY(f->keyPreview());
        const struct {
            QWidget* control;
            const char* name;
            int left, top, width, height;
        } design[] = {
            {f->OPR_PGID, "OPR_PGID", 60, 30, 1665, 285},       {f->OPR_OPCD, "OPR_OPCD", 4050, 60, 1545, 255},
            {f->OPR_OP_CD, "OPR_OP_CD", 5640, 60, 1125, 255},   {f->OPR_OP_NM, "OPR_OP_NM", 6810, 60, 2055, 255},
            {f->OPR_HIDUKE, "OPR_HIDUKE", 9300, 60, 1665, 255}, {f->tit_KOUMOKU[0], "tit_KOUMOKU", 390, 510, 1320, 360},
            {f->Kensaku, "Kensaku", 1710, 510, 810, 360},       {f->Cmd_kensaku, "Cmd_kensaku", 2760, 540, 1215, 315},
            {f->tit_KOUMOKU[3], "tit_KOUMOKU", 3750, 1260, 2370, 360},
            {f->Koumoku, "Koumoku", 180, 1620, 1035, 360},      {f->Koumoku_NM, "Koumoku_NM", 1230, 1620, 2505, 360},
            {f->Zokusei, "Zokusei", 3750, 1620, 285, 360},      {f->lbl_zokusei, "lbl_zokusei", 4050, 1650, 2025, 315},
            {f->Nagasa, "Nagasa", 6090, 1620, 825, 360},        {f->Nagasa_S, "Nagasa_S", 6930, 1620, 1605, 360},
            {f->Cmd_tuika, "Cmd_tuika", 9630, 1260, 1215, 315}, {f->Cmd_sakujyo, "Cmd_sakujyo", 9630, 1620, 1215, 315},
            {f->GRID, "GRID", 180, 2040, 8535, 5715},           {f->Cmd_end, "Cmd_end", 7560, 7875, 1215, 285},
        };
        for (const auto& d : design) {
            QCOMPARE(d.control->objectName(), QString::fromLatin1(d.name));
            QCOMPARE(d.control->geometry(), QRect(Form::twips(d.left), Form::twips(d.top), Form::twips(d.width),
                                                  Form::twips(d.height)));
        }
        QStringList titles;
        for (const Label* l : f->findChildren<Label*>(QStringLiteral("tit_KOUMOKU"))) titles << l->caption();
        QCOMPARE(titles, QStringList({"項目No．", "項目No．", "項目名", "属性", "長さ", "小数部長さ"}));
        QCOMPARE(f->Cmd_kensaku->text(), QStringLiteral("検索(&F)"));
        QCOMPARE(f->Cmd_tuika->text(), QStringLiteral("追加（&A）"));
        QCOMPARE(f->Cmd_sakujyo->text(), QStringLiteral("削除（&D）"));
        QCOMPARE(f->Cmd_end->text(), QStringLiteral("終了（&E）"));
        const QList<int> maxLengths = {6, 6, 20, 1, 4, 2};
        const QList<bool> right = {true, true, false, false, true, true};
        for (int p = 0; p < 6; ++p) {
            const InputField* field = f->fields()[p];
            QCOMPARE(field->maxLength(), maxLengths[p]);
            QCOMPARE(bool(field->alignment() & Qt::AlignRight), right[p]);
            QCOMPARE(field->testAttribute(Qt::WA_InputMethodEnabled), field == f->Koumoku_NM);
        }
    }

    void stylesByKindThenExactPrefix() {
        ProbeForm* f = freshForm();
        auto* oprLabel = f->addControl(new Label, QStringLiteral("OPR_x"), 0, 0, 300, 300);
        auto* upperLbl = f->addControl(new Label, QStringLiteral("Lbl_x"), 0, 0, 300, 300);
        auto* lowerOpr = f->addControl(new Label, QStringLiteral("opr_x"), 0, 0, 300, 300);
        auto* titleBox = f->addControl(new InputField, QStringLiteral("tit_box"), 0, 0, 300, 300);
        const QColor designBack = back(upperLbl);
        workarea.TextFontName = QStringLiteral("ＭＳ ゴシック");  // not on this machine
        workarea.TextFontItalic = QStringLiteral("true");
        workarea.LabelFontUnderline = QStringLiteral("-1");
        workarea.TitleFontSize = QStringLiteral(" 10.5 ");
        QVERIFY(!applyEnds());

        QCOMPARE(back(f), QColor(0xC0, 0xC0, 0xC0));
        for (const Label* l : {oprLabel, f->lbl_zokusei, f->OPR_HIDUKE}) {
            QCOMPARE(back(l), QColor(Qt::white));
            QCOMPARE(back(l, QPalette::WindowText), QColor(0x80, 0, 0));
            QVERIFY(l->font().underline());
            QVERIFY(!l->font().bold());
        }
        for (const Label* l : {upperLbl, lowerOpr}) {
            QCOMPARE(back(l), designBack);
            QVERIFY(!l->font().underline());
        }
        QCOMPARE(back(f->tit_KOUMOKU[2]), QColor(0, 0xFF, 0xFF));
        QCOMPARE(back(f->tit_KOUMOKU[2], QPalette::WindowText), QColor(0, 0, 0x80));
        QVERIFY(f->tit_KOUMOKU[2]->font().bold());
        QCOMPARE(f->tit_KOUMOKU[2]->font().pointSizeF(), 10.5);
        for (const InputField* t : {titleBox, f->Kensaku}) {
            QCOMPARE(t->backColor(), 0xFFFFFF);
            QVERIFY(t->font().italic());
            QVERIFY(!t->font().bold());
        }
        if (QFontDatabase::hasFamily(QStringLiteral("IPAGothic")))
            QCOMPARE(f->Kensaku->font().family(), QStringLiteral("IPAGothic"));
        QCOMPARE(back(f->Cmd_end, QPalette::Button), QPalette().color(QPalette::Button));  // buttons keep their look
    }

    void badValuesEndTheProgram_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("form colour empty") << "FormBackColor" << "";
        QTest::newRow("form colour text") << "FormBackColor" << "grey";
        QTest::newRow("form colour huge") << "FormBackColor" << "99999999999";
        QTest::newRow("form colour negative") << "FormBackColor" << "-5";
        QTest::newRow("bold not a truth") << "TextFontBold" << "yes";
        QTest::newRow("bold empty") << "TextFontBold" << "";
        QTest::newRow("size empty") << "LabelFontSize" << "";
        QTest::newRow("size zero") << "TitleFontSize" << "0";
        QTest::newRow("size negative") << "TextFontSize" << "-9";
        QTest::newRow("size huge") << "TextFontSize" << "1e9";
        QTest::newRow("name empty") << "LabelFontName" << "";
        QTest::newRow("underline text") << "TitleFontUnderline" << "maybe";
        QTest::newRow("text colour negative") << "TextBackColor" << "-5";
        QTest::newRow("label colour huge") << "LabelForeColor" << "4294967296";
    }
    void badValuesEndTheProgram() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        freshForm();
        WorkArea& w = workarea;
        const QMap<QString, QString*> texts = {
            {"FormBackColor", &w.FormBackColor}, {"TextFontBold", &w.TextFontBold},
            {"LabelFontSize", &w.LabelFontSize}, {"TitleFontSize", &w.TitleFontSize},
            {"TextFontSize", &w.TextFontSize},   {"LabelFontName", &w.LabelFontName},
            {"TitleFontUnderline", &w.TitleFontUnderline}};
        const QMap<QString, double*> numbers = {{"TextBackColor", &w.TextBackColor},
                                                {"LabelForeColor", &w.LabelForeColor}};
        if (texts.contains(key)) *texts[key] = value;
        else *numbers[key] = value.toDouble();
        QVERIFY(applyEnds());
        QCOMPARE(scope->tk.boxTexts(), QStringList{QStringLiteral("項目設定エラー")});
        QCOMPARE(scope->tk.boxes[0].caption, QStringLiteral("R205730"));
        QCOMPARE(scope->tk.endCount, 1);
        QVERIFY(scope->tk.lastExitCode != 0);
    }

    void controlsStyledBeforeAFailureKeepTheirLook() {
        ProbeForm* f = freshForm();
        workarea.TextBackColor = 0x00FF00;
        workarea.TextForeColor = 0x0000FF;
        workarea.TextFontBold = QStringLiteral("yes");
        QVERIFY(applyEnds());
        QCOMPARE(back(f), QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(back(f->OPR_PGID), QColor(Qt::white));  // labels before the first text box
        QCOMPARE(back(f->tit_KOUMOKU[0]), QColor(0, 0xFF, 0xFF));
        QCOMPARE(back(f->Kensaku, QPalette::Base), QColor(0, 0xFF, 0));  // back colour comes before bold
        QVERIFY(back(f->Kensaku, QPalette::Text) != QColor(0xFF, 0, 0));
        QVERIFY(back(f->lbl_zokusei) != QColor(Qt::white));  // after the failing one: untouched

        // The first access loads the screen; a failing load is the same error.
        ProbeForm* failing = freshForm();
        failing->failLoad = true;
        QVERIFY(applyEnds());
        QCOMPARE(scope->tk.boxTexts(), QStringList{QStringLiteral("項目設定エラー")});
    }

    void settingsFromTheFileStyleTheScreen() {
        ProbeForm* f = freshForm();
        TestSite site;
        // A system colour number reads as a negative 32-bit number and names a palette role.
        site.writeIni(standardIni(QStringLiteral("EDI_TEST"), {{"Setting0/TextBackColor", "&H8000000F"}}));
        scope->tk.programFolderPath = site.programFolder();
        readSettings();
        QVERIFY(!applyEnds());
        QCOMPARE(back(f), QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(back(f->Nagasa, QPalette::Base), QApplication::palette().color(QPalette::Button));
        QCOMPARE(back(f->tit_KOUMOKU[1]), QColor(0, 0xFF, 0xFF));
        QCOMPARE(f->Koumoku->font().pointSizeF(), 11.0);
    }

    void clearingCountsInputsAndBlanksLblLabels() {
        ProbeForm* f = freshForm();
        auto* combo = f->addControl(new QComboBox, QStringLiteral("cmb_x"), 0, 0, 300, 300);
        combo->addItems({"a", "b"});
        f->addControl(new InputField, QStringLiteral("Extra"), 0, 0, 300, 300)->setText(QStringLiteral("x"));
        auto* spaced = f->addControl(new Label, QStringLiteral(" lbl_y"), 0, 0, 300, 300);
        spaced->setCaption(QStringLiteral("y"));
        f->lbl_zokusei->setCaption(QStringLiteral("文字"));
        f->Koumoku->setText(QStringLiteral("123"));
        f->OPR_OP_CD->setCaption(QStringLiteral("OP01"));
        clearInputs();
        QCOMPARE(workarea.inputCount, Int16(8));
        QCOMPARE(combo->count(), 2);
        QCOMPARE(f->Koumoku->text(), QString());
        QCOMPARE(f->lbl_zokusei->caption(), QString());
        QCOMPARE(spaced->caption(), QString());
        QCOMPARE(f->OPR_OP_CD->caption(), QStringLiteral("OP01"));
        QCOMPARE(f->tit_KOUMOKU[2]->caption(), QStringLiteral("項目名"));
    }

    void headerBandShowsTheMomentsValues() {
        ShownScreen s;
        F_R205730* f = s.form();
        s.tk().todayDate = QDate(2001, 5, 17);
        showHeaderBand();
        QCOMPARE(f->OPR_PGID->caption(), QStringLiteral("W2057301"));
        QCOMPARE(f->OPR_OPCD->caption(), QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ"));
        QCOMPARE(f->OPR_OP_CD->caption(), QString());
        QCOMPARE(f->OPR_HIDUKE->caption(), QStringLiteral("2001/05/17"));
        workarea.operatorCode = QStringLiteral(" OP01 ");
        s.tk().todayDate = QDate(2001, 5, 18);
        QCOMPARE(f->OPR_HIDUKE->caption(), QStringLiteral("2001/05/17"));  // not refreshed on its own
        showHeaderBand();
        QCOMPARE(f->OPR_OP_CD->caption(), QStringLiteral(" OP01 "));
        QCOMPARE(f->OPR_OP_NM->caption(), QString());
        QCOMPARE(f->OPR_HIDUKE->caption(), QStringLiteral("2001/05/18"));
    }

    void aScreenLargerThanTheDisplayIsNotClamped() {
        ShownScreen s;
        s.form()->setFixedSize(6000, 5000);  // the screen's size is fixed once it is shown
        centreForm(s.form());
        QVERIFY(s.form()->frameGeometry().left() < 0);
        QVERIFY(s.form()->frameGeometry().top() < 0);
    }
};

QTEST_MAIN(AppearanceTest)
#include "test_appearance.moc"
