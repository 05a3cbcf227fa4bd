#include "ui/qt_settings.h"

namespace talvex {

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::unique_ptr<QSettings> QtSettings::Open(std::string_view group) const {
    std::unique_ptr<QSettings> s =
        factory_ ? factory_()
                 : std::make_unique<QSettings>(QStringLiteral("Talvex"), QStringLiteral("Talvex"));
    s->beginGroup(Q(group));
    return s;
}

std::string QtSettings::Read(std::string_view group, std::string_view key) {
    return Open(group)->value(Q(key)).toString().toStdString();
}

void QtSettings::Write(std::string_view group, std::string_view key, std::string_view value) {
    Open(group)->setValue(Q(key), Q(value));
}

} // namespace talvex
