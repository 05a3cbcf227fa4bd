// A bare protocol client over a raw Unix socket: writes lines exactly as
// given and reads the host's lines one by one, so tests see the real traffic.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <string>

namespace talvex::korva::test {

class TestClient {
public:
    TestClient() = default;
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;
    ~TestClient() { Close(); }

    bool ConnectTo(const std::string& path);
    void Close();

    // Writes the bytes as they stand (no newline added).
    bool WriteRaw(const QByteArray& bytes);
    // Writes one message as a compact JSON line.
    bool WriteMessage(const QJsonObject& message);

    // The next line from the host, parsed; nullopt when the connection ended,
    // the line was not a JSON object, or nothing came within the guard time.
    std::optional<QJsonObject> Next();
    // True when the host closed the connection (end of stream) before any more data.
    bool ClosedByHost();

    // Message builders with the ids the tests choose.
    static QJsonObject Call(int id, const QString& method, const QJsonObject& params);
    static QJsonObject Execute(int id, const QString& command);
    static QJsonObject Request(int id, const QString& item);
    static QJsonObject Advise(int id, const QString& topic);

    // Requests `item` and gives the reply's data (the reply must be the next line).
    QString RequestData(int id, const QString& item);
    // Executes `command`: checks the null reply, then gives the response that
    // follows on the asynchronous topic (it must be the next line).
    QString ExecuteAndRespond(int id, const QString& command);

private:
    bool Fill();

    int fd_ = -1;
    QByteArray buffer_;
    bool ended_ = false;
};

// Shapes of the host's lines, for comparisons that read like the traffic.
QJsonObject NullReply(int id);
QJsonObject DataReply(int id, const QString& data);
QJsonObject Changed(const QString& topic, const QString& data);
QJsonObject ErrorReply(const QJsonValue& id, int code);
// An error line with its message removed, so tests compare code and id only.
QJsonObject WithoutMessage(QJsonObject error);

} // namespace talvex::korva::test
