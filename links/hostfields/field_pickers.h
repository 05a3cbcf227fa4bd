// The field operations a host link offers on its current response and on its
// dynamic data, the same for every link: a link names the two texts, this
// picks from them.
#pragma once

#include <string>

namespace talvex {

class FieldPickers {
public:
    virtual ~FieldPickers() = default;

    // The current response and the latest dynamic data.
    virtual const std::string& DDEBox() const = 0;
    virtual const std::string& DynDDE() const = 0;

    // The current response reports an error: it holds "error" in any
    // letter case, anywhere.
    bool Error() const;

    std::string ParseString(const std::string& s, const std::string& parm) const;
    double Parm(const std::string& s) const;       // field s of the response
    double DynParm(const std::string& s) const;    // field s of the dynamic data
    double ParmErrBar(const std::string& s) const; // error bar of field s of the response
    int ParmCount(const std::string& s) const;
    std::string ParmName(const std::string& s, int index) const;
    double Column(int index) const; // column of the response, "," separated
    double SkipColumn(const std::string& s, int index, const std::string& delimiter) const;
};

} // namespace talvex
