// The item information master maintenance screen F_R205730: its controls, layout and event handlers.
#include "itemmaster/history_dialog.h"
#include "itemmaster/itemmaster.h"

#include "db/db.h"
#include "platform/platform.h"
#include "screen/command_button.h"

#include <QKeyEvent>
#include <QPushButton>

namespace {

InputField* textBox(int maxLength, bool rightAligned, int imeMode) {
    auto* f = new InputField;
    f->setMaxLength(maxLength);
    if (rightAligned) f->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    f->setImeMode(imeMode);
    return f;
}

Label* label(const QString& caption, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* l = new Label;
    l->setCaption(caption);
    l->setAlignment(alignment);
    return l;
}

QPushButton* button(const QString& caption) { return new CommandButton(caption); }

}  // namespace

F_R205730::F_R205730(std::function<bool()> exitQuestion) : exitQuestion_(std::move(exitQuestion)) {
    setWindowTitle(QStringLiteral("項目情報マスタ保守 "));
    setKeyPreview(true);
    resize(twips(11865), twips(8220));

    const QString tit = QStringLiteral("tit_KOUMOKU");
    const Qt::Alignment centred = Qt::AlignCenter;
    OPR_PGID = addControl(label(QStringLiteral("W2057301")), QStringLiteral("OPR_PGID"), 60, 30, 1665, 285);
    OPR_OPCD = addControl(label(QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ")), QStringLiteral("OPR_OPCD"), 4050, 60, 1545, 255);
    OPR_OP_CD = addControl(label(QString()), QStringLiteral("OPR_OP_CD"), 5640, 60, 1125, 255);
    OPR_OP_NM = addControl(label(QString()), QStringLiteral("OPR_OP_NM"), 6810, 60, 2055, 255);
    OPR_HIDUKE = addControl(label(QString(), centred), QStringLiteral("OPR_HIDUKE"), 9300, 60, 1665, 255);
    tit_KOUMOKU.append(addControl(label(QStringLiteral("項目No．"), centred), tit, 390, 510, 1320, 360));
    Kensaku = addControl(textBox(6, true, InputField::imeOff), QStringLiteral("Kensaku"), 1710, 510, 810, 360);
    Cmd_kensaku = addControl(button(QStringLiteral("検索(&F)")), QStringLiteral("Cmd_kensaku"), 2760, 540, 1215, 315);
    const struct {
        const char* caption;
        int left, width;
    } columns[] = {{"項目No．", 180, 1035}, {"項目名", 1200, 2550}, {"属性", 3750, 2370},
                   {"長さ", 6120, 780},     {"小数部長さ", 6900, 1590}};
    for (const auto& c : columns)
        tit_KOUMOKU.append(addControl(label(QString::fromUtf8(c.caption), centred), tit, c.left, 1260, c.width, 360));
    Koumoku = addControl(textBox(6, true, InputField::imeOff), QStringLiteral("Koumoku"), 180, 1620, 1035, 360);
    Koumoku_NM =
        addControl(textBox(20, false, InputField::imeHiragana), QStringLiteral("Koumoku_NM"), 1230, 1620, 2505, 360);
    Zokusei = addControl(textBox(1, false, InputField::imeOff), QStringLiteral("Zokusei"), 3750, 1620, 285, 360);
    lbl_zokusei = addControl(label(QString()), QStringLiteral("lbl_zokusei"), 4050, 1650, 2025, 315);
    Nagasa = addControl(textBox(4, true, InputField::imeOff), QStringLiteral("Nagasa"), 6090, 1620, 825, 360);
    Nagasa_S = addControl(textBox(2, true, InputField::imeOff), QStringLiteral("Nagasa_S"), 6930, 1620, 1605, 360);
    Cmd_tuika = addControl(button(QStringLiteral("追加（&A）")), QStringLiteral("Cmd_tuika"), 9630, 1260, 1215, 315);
    Cmd_sakujyo = addControl(button(QStringLiteral("削除（&D）")), QStringLiteral("Cmd_sakujyo"), 9630, 1620, 1215, 315);
    GRID = addControl(new FlexGrid, QStringLiteral("GRID"), 180, 2040, 8535, 5715);
    Cmd_end = addControl(button(QStringLiteral("終了（&E）")), QStringLiteral("Cmd_end"), 7560, 7875, 1215, 285);

    // Design tab order: the six fields, the list, then the buttons.
    const QList<QWidget*> order = {Kensaku, Koumoku, Koumoku_NM, Zokusei, Nagasa, Nagasa_S,
                                   GRID, Cmd_kensaku, Cmd_tuika, Cmd_sakujyo, Cmd_end};
    for (int i = 0; i < order.size(); ++i) setTabIndex(order[i], i);

    attachFieldHandlers();
    addAdditions();
}

void F_R205730::addAdditions() {
    // Placed by hand, not as design controls: the framework's counts, tab order and styling by
    // name never see them.
    auto place = [this](QWidget* w, int left, int top, int width, int height) {
        w->setParent(this);
        w->setGeometry(twips(left), twips(top), twips(width), twips(height));
    };
    findLabel = label(QStringLiteral("項目名検索"), Qt::AlignCenter);
    place(findLabel, 4200, 510, 1320, 360);
    findField = textBox(20, false, InputField::imeHiragana);
    findField->setObjectName(QStringLiteral("findField"));
    findField->setFocusPolicy(Qt::ClickFocus);
    place(findField, 5520, 510, 2505, 360);
    findCount = label(QString());
    place(findCount, 8100, 540, 1200, 315);
    noteLabel = label(QString());
    place(noteLabel, 180, 7875, 4800, 285);
    exportButton = button(QStringLiteral("CSV出力"));
    printButton = button(QStringLiteral("印刷"));
    for (QPushButton* b : {exportButton, printButton}) b->setFocusPolicy(Qt::NoFocus);
    place(exportButton, 5040, 7875, 1140, 285);
    place(printButton, 6240, 7875, 1140, 285);

    findField->installEventFilter(this);
    findField->onChange = [] { findTextChanged(); };
    findField->onGotFocus = [this] { paintFieldBackground(findField, FieldColour::Focus); };
    findField->onLostFocus = [this] { paintFieldBackground(findField, FieldColour::Normal); };
    const std::pair<QKeySequence, std::function<void()>> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_F), [] { startFind(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_E), [] { exportItemList(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_P), [] { printItemList(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_H), [] { showItemHistory(); }},
    };
    for (const auto& [key, action] : keys) addWindowKey(key, action);
    connect(exportButton, &QPushButton::clicked, this, [] { platform::runHandler([] { exportItemList(); }); });
    connect(printButton, &QPushButton::clicked, this, [] { platform::runHandler([] { printItemList(); }); });
}

void F_R205730::styleAdditions() {
    if (additionsStyled_) return;
    additionsStyled_ = true;
    auto like = [](QWidget* addition, const QWidget* design) {
        addition->setPalette(design->palette());
        addition->setFont(design->font());
        addition->setAutoFillBackground(design->autoFillBackground());
    };
    like(findLabel, tit_KOUMOKU.value(0));
    like(findField, Kensaku);
    findField->setBackColor(workarea.TextBackColor);
    like(findCount, lbl_zokusei);
    findCount->setAutoFillBackground(false);
    like(noteLabel, lbl_zokusei);
    noteLabel->setAutoFillBackground(false);
    like(exportButton, Cmd_end);
    like(printButton, Cmd_end);
}

void showNote(const QString& note) { itemScreen()->noteLabel->setText(note); }

void F_R205730::showEvent(QShowEvent* event) {
    styleAdditions();
    Form::showEvent(event);
}

bool F_R205730::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress) noteLabel->clear();
    if (watched == findField && key) {
        // The find's keys are its own: the screen's handling never sees them.
        if (event->type() == QEvent::KeyRelease) return false;
        bool handled = true;
        platform::runHandler([&] {
            switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter: openFound(); break;
            case Qt::Key_Escape: leaveFind(); break;
            case Qt::Key_Down: findStep(1); break;
            case Qt::Key_Up: findStep(-1); break;
            default: handled = false; break;
            }
        });
        return handled;
    }
    return Form::eventFilter(watched, event);
}

void F_R205730::attachFieldHandlers() {
    for (InputField* field : fields()) {
        field->onGotFocus = [field] { onFieldGotFocus(field); };
        field->onLostFocus = [field] { onFieldLostFocus(field); };
        field->onKeyPress = [](Int16& keyAscii) { filterKeystroke(keyAscii); };
    }
    for (InputField* field : {Kensaku, Koumoku, Koumoku_NM, Zokusei})
        field->onKeyUp = [this, field](Int16& keyCode, Int16 shift) { fieldKeyUp(field, keyCode, shift); };
    Koumoku_NM->onChange = [this] { truncateOnChange(Koumoku_NM); };

    const std::pair<QPushButton*, Command> commands[] = {{Cmd_end, Command::End},
                                                         {Cmd_sakujyo, Command::Delete},
                                                         {Cmd_tuika, Command::Add},
                                                         {Cmd_kensaku, Command::Search}};
    for (const auto& [button, command] : commands)
        connect(button, &QPushButton::clicked, this, [c = command] { platform::runHandler([c] { runCommand(c); }); });

    GRID->onClick = [] { openListRow(); };
    GRID->onDblClick = [this] {
        openListRow();
        Koumoku_NM->setFocus(Qt::OtherFocusReason);
    };
    GRID->onKeyDown = [this](Int16& keyCode, Int16) { gridKeyDown(keyCode); };
    GRID->onRowColChange = [] {
        if (screenState().listLoaded) showListRow();
    };
}

void F_R205730::gridKeyDown(Int16& keyCode) {
    switch (keyCode) {
    case vbKeyUp:
        focusPreviousInput();
        showListRow();
        break;
    case vbKeyDown:
        focusNextInput();
        showListRow();
        break;
    case vbKeyReturn:
        // In HEAD the name field is closed: Enter opens the row the list stands on.
        if (inScreenMode(ScreenMode::Head)) openListRow();
        Koumoku_NM->setFocus(Qt::OtherFocusReason);
        break;
    default: break;
    }
}

void F_R205730::fieldKeyUp(InputField* field, Int16 keyCode, Int16 shift) {
    if (!field->isEnabled()) return;
    // F2 arms the skip of the next check; its own release in a full field must not use it up.
    if (keyCode == vbKeyF2) return;
    autoAdvanceOnKeyUp(keyCode, shift);
    // A typed attribute opens or closes the decimal part at once.
    if (field == Zokusei && autoAdvanceCheckFailed == False && field->text().size() == field->maxLength())
        applyDecimalRule();
}

F_R205730* itemScreen() { return static_cast<F_R205730*>(workarea.mainForm); }

ItemScreenState& screenState() { return itemScreen()->state; }

CheckResult F_R205730::checkField(Int16 position) { return ::checkField(position); }

void F_R205730::Form_Load() {
    try {
        loadItemList();
    } catch (const db::Error& e) {
        // The load has no handling of its own; the administrator reads what kept the list away.
        platform::logDetail(QStringLiteral("item list not read: ") + db::causeDescription(e.cause));
        throw;
    }
    try {
        historyKept();  // a database without the history is told once, now
    } catch (const db::Error&) {
        // Asked again by the first save or delete.
    }
    centreForm(this);
}

void F_R205730::Form_QueryUnload(bool& cancel) { cancel = exitQuestion_(); }

void F_R205730::Form_KeyDown(Int16& keyCode, Int16 shift) {
    (void)shift;
    if (activeControl() == GRID) return;
    handleScreenKey(keyCode);
    // Enter has been handled (a button pressed, a field checked); the control gets nothing more.
    if (keyCode == vbKeyReturn) keyCode = 0;
}
