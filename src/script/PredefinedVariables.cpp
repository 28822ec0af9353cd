#include "script/PredefinedVariables.h"

#include <string_view>

namespace tsukimi {

namespace {

constexpr uint16_t ReadOnly = VariableReadable;
constexpr uint16_t ReadWrite = VariableReadable | VariableWritable;

void Declare(TValue& store, std::string_view name, uint8_t type, int32_t count, uint16_t flags,
             int level = 0)
{
    TArraySizes sizes;
    sizes.D1 = count;
    store.Declare(name, type == ElementObject ? "obj" : "", type == ElementObject, flags, type,
                  level, sizes);
}

void DeclareText(TValue& store, std::string_view name, std::string_view text)
{
    Declare(store, name, ElementString, 1, ReadOnly);
    store.SetString(name, 0, text);
}

void DeclareConstant(TValue& store, std::string_view name, int32_t value)
{
    Declare(store, name, ElementInteger, 1, ReadOnly);
    store.SetInteger(name, 0, value);
}

} // namespace

void DeclarePredefinedVariables(TValue& store)
{
    Declare(store, "ResultInt", ElementInteger, 16, ReadWrite);
    Declare(store, "ResultStr", ElementString, 16, ReadWrite);
    Declare(store, "ResultObj", ElementObject, 16, ReadWrite);
    Declare(store, "ResultStopInt", ElementInteger, 1, ReadWrite);
    Declare(store, "ResultClkInt", ElementInteger, 1, ReadWrite);
    Declare(store, "ResultBtn", ElementObject, 1, ReadWrite);
    Declare(store, "ResultBtnInt", ElementInteger, 4, ReadWrite);
    Declare(store, "ResultBtnStr", ElementString, 4, ReadWrite);
    Declare(store, "NULL", ElementObject, 1, ReadOnly);
    Declare(store, "NIL", ElementObject, 1, ReadOnly);
    DeclareText(store, "#quot", "\"");
    DeclareText(store, "_SelectSaveFilename", "SelectSaveData.svd");
    DeclareText(store, "_BackUpSaveFilename", "BackUpSaveData.svd");
    DeclareText(store, "_QuickSaveFilename", "QuickSaveData.svd");
    Declare(store, "SelfFilePath", ElementString, 1, ReadOnly);
    Declare(store, "SelfFileName", ElementString, 1, ReadOnly);
    static constexpr std::string_view locks[] = {"_lkScreen", "_lkSave", "_lkLoad",  "_lkConfig",
                                                 "_lkLog",    "_lkView", "_lkAuto",  "_lkSkip",
                                                 "_lkJump",   "_lkMenu", "_lkReset", "_lkMinimize"};
    int32_t bit = 1;
    for (const std::string_view name : locks) {
        DeclareConstant(store, name, bit);
        bit <<= 1;
    }
    DeclareConstant(store, "_stBGM", 0);
    DeclareConstant(store, "_stVOICE", 1);
    DeclareConstant(store, "_stSE", 2);
}

void DeclareParameterVariables(TValue& store, int level)
{
    Declare(store, "ParamCount", ElementInteger, 1, ReadOnly, level);
    Declare(store, "ParamInt", ElementInteger, 16, ReadOnly, level);
    Declare(store, "ParamStr", ElementString, 16, ReadOnly, level);
}

} // namespace tsukimi
