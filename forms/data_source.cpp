// DataSrc and NProvider: a data source naming its provider unit (property 8) and the provider; the program
// gives neither any data, both only exist with their stored settings.
#include "forms/units.h"

namespace {
void data_source_style(const Unit&, ControlStyle& s) {
    s.width = 132;
    s.height = 22;
}
}  // namespace

const UnitClass kDataSrcUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitDataSrc;
    c.class_name = "_Ozu_DataSource";
    c.control = ControlKind::kPrivate;
    c.max_version = 1;
    c.fields = {text(8), integer(9)};
    c.style = data_source_style;
    return c;
}();

const UnitClass kNProviderUnit = [] {
    UnitClass c;
    c.type = kUnitNProvider;
    c.class_name = "_Ozu_Provider";
    c.control = ControlKind::kHidden;
    c.max_version = 1;
    return c;
}();
