// The window's stored settings in QSettings: the user's own
// ("Talvex"/"Talvex"), or what a factory gives (tests use a scratch file).
#pragma once

#include "windowcore/settings_port.h"

#include <QSettings>

#include <functional>
#include <memory>

namespace talvex {

class QtSettings : public SettingsPort {
public:
    using Factory = std::function<std::unique_ptr<QSettings>()>;
    explicit QtSettings(Factory factory = {}) : factory_(std::move(factory)) {}

    std::string Read(std::string_view group, std::string_view key) override;
    void Write(std::string_view group, std::string_view key, std::string_view value) override;

private:
    std::unique_ptr<QSettings> Open(std::string_view group) const;

    Factory factory_;
};

} // namespace talvex
