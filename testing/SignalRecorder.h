#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <concepts>
#include <string>
#include <type_traits>

namespace lumadeck::test {

// Records signals as lines of text, in the order they arrive: by default the
// name followed by the arguments ("Started a.mpg", "End 3"), or whatever a
// given function makes of the arguments.
class SignalRecorder {
public:
    template <typename Sender, typename... Args>
    void record(const Sender* sender, void (Sender::*signal)(Args...), const QString& name) {
        QObject::connect(sender, signal, &m_context, [this, name](Args... args) {
            QStringList line{name};
            (line.append(text(args)), ...);
            events.append(line.join(' '));
        });
    }

    template <typename Sender, typename... Args, typename Format>
    requires std::invocable<Format, Args...>
    void record(const Sender* sender, void (Sender::*signal)(Args...), Format format) {
        QObject::connect(sender, signal, &m_context,
                         [this, format](Args... args) { events.append(format(args...)); });
    }

    bool has(const QString& line) const { return events.contains(line); }
    void clear() { events.clear(); }
    std::string str() const { return events.join(", ").toStdString(); }

    QStringList events;

private:
    template <typename T> static QString text(const T& value) {
        if constexpr (std::is_convertible_v<T, QString>) {
            return value;
        } else if constexpr (std::is_enum_v<T>) {
            return QString::number(static_cast<long long>(value));
        } else {
            return QString::number(value);
        }
    }

    QObject m_context; // disconnects everything when the recorder goes
};

} // namespace lumadeck::test
