#include "hostfields/field_pickers.h"

#include "hostfields/response_fields.h"

namespace talvex {

bool FieldPickers::Error() const {
    const std::string& text = DDEBox();
    static const char kWord[] = "error";
    for (std::size_t i = 0; i + 5 <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < 5) {
            char c = text[i + k];
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
            if (c != kWord[k]) break;
            ++k;
        }
        if (k == 5) return true;
    }
    return false;
}

std::string FieldPickers::ParseString(const std::string& s, const std::string& parm) const {
    return talvex::ParseString(s, parm);
}

double FieldPickers::Parm(const std::string& s) const {
    return FieldValue(DDEBox(), s);
}

double FieldPickers::DynParm(const std::string& s) const {
    return FieldValue(DynDDE(), s);
}

double FieldPickers::ParmErrBar(const std::string& s) const {
    return FieldErrorBar(DDEBox(), s);
}

int FieldPickers::ParmCount(const std::string& s) const {
    return talvex::ParmCount(s);
}

std::string FieldPickers::ParmName(const std::string& s, int index) const {
    return talvex::ParmName(s, index);
}

double FieldPickers::Column(int index) const {
    return talvex::SkipColumn(DDEBox(), index, ",");
}

double FieldPickers::SkipColumn(const std::string& s, int index,
                                const std::string& delimiter) const {
    return talvex::SkipColumn(s, index, delimiter);
}

} // namespace talvex
