// The simulator's command set: what each command answers and what it does.
#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <random>

namespace talvex::korva {

// How a command reached the host: executes answer later on the asynchronous
// topic, requests answer in their reply and so must never keep the host busy.
enum class CommandWay { Execute, Request };

struct CommandOutcome {
    enum class Kind {
        Answer,     // `text` is the response, ready now
        Wait,       // `text` is the response, due after `waitMs`
        Silent,     // no response until the client's next hard cancel
        HardCancel, // `text` is the response; the client's pending work ends "cancelled"
        Exit,       // the host ends; `text` answers a request
    };
    Kind kind = Kind::Answer;
    QString text;
    int waitMs = 0;
};

class CommandInterpreter {
public:
    using TextSink = std::function<void(const QString&)>;

    // The first measure() values of every host process come from this seed,
    // so runs against the simulator repeat exactly.
    static constexpr std::uint32_t kMeasureSeed = 20240611u;

    // What set() may make the host keep, for all clients together: a set that
    // would pass either bound is refused whole and stores nothing.
    static constexpr qsizetype kMaxValues = 10000;
    static constexpr qsizetype kMaxValueCharacters = qsizetype(16) * 1024 * 1024; // names + values

    // `pushDynamic` receives the text of dyn(); `writeText` receives what
    // rtftextnl() appends to the host's text window, newline included.
    CommandInterpreter(TextSink pushDynamic, TextSink writeText);

    CommandOutcome run(const QString& command, CommandWay way);

    // Commands that act at once even while an earlier execute of the same
    // client is still being worked on.
    static bool bypassesQueue(const QString& command);

private:
    struct HostValue {
        QString name; // spelled as the set() that created it
        QString value;
    };

    QString setValues(const QString& text);
    QString getValues(const QString& text) const;
    CommandOutcome wait(const QString& text, CommandWay way) const;
    QString measure(const QString& text);
    double nextUnit();

    TextSink pushDynamic_;
    TextSink writeText_;
    QHash<QString, HostValue> values_; // keyed by the ASCII-lowered name
    qsizetype valueCharacters_ = 0;    // of every name and value kept
    std::mt19937 generator_{kMeasureSeed};
};

} // namespace talvex::korva
