// The item information master maintenance screen F_R205730 (its routines: itemmaster.h).
#pragma once

#include "itemmaster/item_screen_state.h"
#include "screen/screen.h"
#include "core/workarea.h"

#include <QList>

#include <functional>

class QPushButton;

// F_R205730: the program's one main window, "項目情報マスタ保守 ".
class F_R205730 : public Form {
    Q_OBJECT
public:
    // exitQuestion answers every attempt to close the screen: true keeps it open. Start-up owns it.
    explicit F_R205730(std::function<bool()> exitQuestion);

    // Header band.
    Label* OPR_PGID;    // the screen's ID
    Label* OPR_OPCD;    // the caption "ｵﾍﾟﾚｰﾀｺｰﾄﾞ"
    Label* OPR_OP_CD;   // the operator's code
    Label* OPR_OP_NM;   // the operator's name
    Label* OPR_HIDUKE;  // today's date
    // One control array: 0 beside the search field, 1-5 the column titles.
    QList<Label*> tit_KOUMOKU;
    InputField* Kensaku;        // the item number to search for
    QPushButton* Cmd_kensaku;   // search
    InputField* Koumoku;        // the item number
    InputField* Koumoku_NM;     // the data item name
    InputField* Zokusei;        // the attribute code
    Label* lbl_zokusei;         // the attribute's classification name
    InputField* Nagasa;         // the length
    InputField* Nagasa_S;       // the decimal-part length
    QPushButton* Cmd_tuika;     // add
    QPushButton* Cmd_sakujyo;   // delete
    FlexGrid* GRID;             // the item list
    QPushButton* Cmd_end;       // end

    // The six text boxes in input-table order.
    QList<InputField*> fields() const { return {Kensaku, Koumoku, Koumoku_NM, Zokusei, Nagasa, Nagasa_S}; }

    // Additions beyond the design, in its free space; none of them is in the input table or the
    // tab order, and none acts on a key the design acts on.
    Label* findLabel;          // "項目名検索"
    InputField* findField;     // the name looked for (Ctrl+F)
    Label* findCount;          // "3/17": the marked match of all
    Label* noteLabel;          // what the last save or delete did, until the next key
    QPushButton* exportButton; // the list to a CSV file (Ctrl+E)
    QPushButton* printButton;  // the list on paper or to PDF (Ctrl+P)

    // The field check of module check_field, for the framework's automatic moves.
    CheckResult checkField(Int16 position) override;

    // What the screen keeps between its events.
    ItemScreenState state;

protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel) override;
    void Form_KeyDown(Int16& keyCode, Int16 shift) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> exitQuestion_;
    bool additionsStyled_ = false;
    void addAdditions();
    // Styled as the designed controls they stand beside, once those are.
    void styleAdditions();
    void attachFieldHandlers();
    void fieldKeyUp(InputField* field, Int16 keyCode, Int16 shift);
    void gridKeyDown(Int16& keyCode);
};
