#include "VOR_AAA_Const.h"

const VOR_AAA_Const& VOR_AAA_Const::Get() {
    static const VOR_AAA_Const table;
    return table;
}
