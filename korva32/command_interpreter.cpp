// The simulator's command set. Every execute gets a non-empty response, so a
// client waiting for one is never left hanging (Exit and silent() aside).
#include "korva32/command_interpreter.h"

#include "korva32/command_syntax.h"

#include <QStringList>

#include <climits>
#include <utility>

namespace talvex::korva {

namespace {

CommandOutcome answer(QString text) {
    CommandOutcome outcome;
    outcome.text = std::move(text);
    return outcome;
}

bool isWholeNumber(const QString& text) {
    if (text.isEmpty()) return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

} // namespace

CommandInterpreter::CommandInterpreter(TextSink pushDynamic, TextSink writeText)
    : pushDynamic_(std::move(pushDynamic)), writeText_(std::move(writeText)) {}

bool CommandInterpreter::bypassesQueue(const QString& command) {
    const QString name = asciiLower(splitCommand(command).name);
    return name == u"hardcancel" || name == u"exit";
}

CommandOutcome CommandInterpreter::run(const QString& command, CommandWay way) {
    const CommandParts parts = splitCommand(command);
    const QString name = asciiLower(parts.name);

    if (name == u"echo") return answer(parts.text.isEmpty() ? QStringLiteral("OK") : parts.text);
    if (name == u"set") return answer(setValues(parts.text));
    if (name == u"get") return answer(getValues(parts.text));
    if (name == u"wait") return wait(parts.text, way);
    if (name == u"dyn") {
        pushDynamic_(parts.text);
        return answer(QStringLiteral("OK"));
    }
    if (name == u"rtftextnl") {
        writeText_(parts.text + u'\n');
        return answer(QStringLiteral("OK"));
    }
    if (name == u"measure") return answer(measure(parts.text));
    if (name == u"silent") {
        // A request has no later moment to answer in; refusing keeps the host free.
        if (way == CommandWay::Request)
            return answer(QStringLiteral("Error: silent can only be executed, not requested"));
        CommandOutcome outcome;
        outcome.kind = CommandOutcome::Kind::Silent;
        return outcome;
    }
    if (name == u"windows") return answer(QStringLiteral("OK"));
    if (name == u"hardcancel") {
        CommandOutcome outcome = answer(QStringLiteral("OK"));
        outcome.kind = CommandOutcome::Kind::HardCancel;
        return outcome;
    }
    if (name == u"exit") {
        CommandOutcome outcome = answer(QStringLiteral("OK"));
        outcome.kind = CommandOutcome::Kind::Exit;
        return outcome;
    }
    return answer(QStringLiteral("Error: unknown command: ") + command);
}

QString CommandInterpreter::setValues(const QString& text) {
    // The entries this set changes, as they will stand, and the store's size
    // after it: nothing is stored unless all of it fits.
    QHash<QString, HostValue> changed;
    qsizetype count = values_.size();
    qsizetype characters = valueCharacters_;
    const QStringList pairs = text.split(u',');
    for (const QString& pair : pairs) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals < 0) continue;
        const QString name = trimBlanks(QStringView(pair).left(equals));
        if (name.isEmpty()) continue;
        const QString value = trimBlanks(QStringView(pair).mid(equals + 1));
        const QString key = asciiLower(name);
        auto entry = changed.find(key);
        if (entry == changed.end()) {
            const auto kept = values_.constFind(key);
            if (kept != values_.cend()) {
                entry = changed.insert(key, *kept);
            } else {
                entry = changed.insert(key, HostValue{name, QString()});
                ++count;
                characters += name.size();
            }
        }
        characters += value.size() - entry->value.size();
        entry->value = value;
    }
    if (count > kMaxValues || characters > kMaxValueCharacters)
        return QStringLiteral("Error: set would keep more than %1 values or %2 characters; "
                              "nothing was set")
            .arg(kMaxValues)
            .arg(kMaxValueCharacters);
    for (auto entry = changed.cbegin(); entry != changed.cend(); ++entry)
        values_.insert(entry.key(), entry.value());
    valueCharacters_ = characters;
    return QStringLiteral("OK");
}

QString CommandInterpreter::getValues(const QString& text) const {
    QStringList fields;
    const QStringList names = text.split(u',');
    for (const QString& asked : names) {
        const QString name = trimBlanks(asked);
        if (name.isEmpty()) continue;
        const auto found = values_.constFind(asciiLower(name));
        fields.append(name + u'=' + (found != values_.cend() ? found->value : QString()));
    }
    if (fields.isEmpty()) return QStringLiteral("Error: get needs at least one name");
    return fields.join(QStringLiteral(", "));
}

CommandOutcome CommandInterpreter::wait(const QString& text, CommandWay way) const {
    if (way == CommandWay::Request)
        return answer(QStringLiteral("Error: wait can only be executed, not requested"));
    QString digits = trimBlanks(text);
    if (!isWholeNumber(digits))
        return answer(QStringLiteral("Error: wait needs a whole number of milliseconds: ") + text);
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);
    bool fits = digits.size() <= 10;
    const qlonglong ms = fits ? digits.toLongLong() : 0;
    if (!fits || ms > INT_MAX)
        return answer(QStringLiteral("Error: wait is limited to 2147483647 milliseconds: ") + text);
    CommandOutcome outcome;
    outcome.kind = CommandOutcome::Kind::Wait;
    outcome.waitMs = static_cast<int>(ms);
    outcome.text = QStringLiteral("waited=") + QString::number(ms);
    return outcome;
}

double CommandInterpreter::nextUnit() {
    // Straight from the engine's 32-bit output: the standard distributions
    // differ between libraries, and the sequence must not.
    return static_cast<double>(generator_()) / 4294967296.0;
}

QString CommandInterpreter::measure(const QString& text) {
    const QString name = trimBlanks(text);
    if (name.isEmpty()) return QStringLiteral("Error: measure needs a name");
    const double value = 10.0 + 90.0 * nextUnit();
    const double errorBar = 0.001 + 0.099 * nextUnit();
    // QString::number ignores the process locale, so the point stays a point.
    return name + u'=' + QString::number(value, 'f', 4) + u'\u00B1' +
           QString::number(errorBar, 'f', 4);
}

} // namespace talvex::korva
