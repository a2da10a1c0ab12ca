// The item information master maintenance screen.
#pragma once

#include "screen/screen.h"
#include "core/workarea.h"

#include <QList>

#include <functional>

class QPushButton;

class F_R205730 : public Form {
    Q_OBJECT
public:
    // exitQuestion answers every attempt to close the screen: true keeps it open. Start-up owns it.
    explicit F_R205730(std::function<Flag()> exitQuestion);

    // Header band.
    Label* OPR_PGID;
    Label* OPR_OPCD;
    Label* OPR_OP_CD;
    Label* OPR_OP_NM;
    Label* OPR_HIDUKE;
    // One control array: 0 beside the search field, 1-5 the column titles.
    QList<Label*> tit_KOUMOKU;
    InputField* Kensaku;
    QPushButton* Cmd_kensaku;
    InputField* Koumoku;
    InputField* Koumoku_NM;
    InputField* Zokusei;
    Label* lbl_zokusei;
    InputField* Nagasa;
    InputField* Nagasa_S;
    QPushButton* Cmd_tuika;
    QPushButton* Cmd_sakujyo;
    FlexGrid* GRID;
    QPushButton* Cmd_end;

    // The six text boxes in input-table order.
    QList<InputField*> fields() const { return {Kensaku, Koumoku, Koumoku_NM, Zokusei, Nagasa, Nagasa_S}; }

    void checkField(Int16 position, Int16& result) override;

protected:
    void Form_Load() override;
    void Form_QueryUnload(Flag& cancel) override;
    void Form_KeyDown(Int16& keyCode, Int16 shift) override;

private:
    std::function<Flag()> exitQuestion_;
    void attachFieldHandlers();
    void fieldKeyUp(InputField* field, Int16 keyCode, Int16 shift);
    void gridKeyDown(Int16& keyCode);
};
