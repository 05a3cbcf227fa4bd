// talvex: the window. An optional script path opens that script at start-up,
// so the desktop can open a .tvx with Talvex.
#include "app/default_log_folder.h"
#include "app/exit_status.h"
#include "app/locale_decimal_separator.h"
#include "app/window_usage.h"
#include "macromath/environment.h"
#include "ui/main_window.h"
#include "ui/qt_settings.h"
#include "ui/user_dialogs.h"
#include "ui/window_link.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using talvex::kExitHost;
using talvex::kExitOk;
using talvex::kExitUsage;

const char* const kUsage = talvex::kWindowUsage;

// --help and --version answer before anything needs a display.
int EarlyOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            const talvex::ProgramVersion v = talvex::Environment::system().version;
            std::printf("talvex %d.%d.%d\n", v.major, v.minor, v.revision);
            return kExitOk;
        }
    }
    return -1;
}

// The script to open, from what Qt left of the arguments; false on bad usage.
bool ScriptArgument(int argc, char** argv, QString& script) {
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (!optionsEnd && a == QLatin1String("--")) {
            optionsEnd = true;
        } else if (!optionsEnd && a.startsWith(QLatin1Char('-')) && a != QLatin1String("-")) {
            std::fprintf(stderr, "talvex: unknown option %s\n%s", argv[i], kUsage);
            return false;
        } else if (script.isEmpty()) {
            script = a;
        } else {
            std::fprintf(stderr, "talvex: only one FILE may be given\n%s", kUsage);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (const int status = EarlyOptions(argc, argv); status >= 0) return status;

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Talvex"));
    QCoreApplication::setApplicationName(QStringLiteral("Talvex"));
    QString script;
    if (!ScriptArgument(argc, argv, script)) return kExitUsage;

    talvex::QtUserDialogs dialogs;
    talvex::HostLink host;
    talvex::WindowLink link(host);
    talvex::QtSettings settings;
    talvex::MainWindowOptions options;
    options.programDir = QCoreApplication::applicationDirPath();
    options.decimalSeparator = talvex::LocaleDecimalSeparator();
    options.logFolder =
        QString::fromStdString(talvex::DefaultLogFolder(options.programDir.toStdString()));
    talvex::MainWindow window(link, dialogs, settings, options);
    dialogs.SetParent(&window);

    // Without the host the program ends, after the link has said why.
    if (!window.Load()) return kExitHost;
    window.show();
    if (!script.isEmpty()) window.OpenAtStart(script);
    return app.exec();
}
