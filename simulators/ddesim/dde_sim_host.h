// The simulator host served over DDEML: the service (KORVA unless told
// otherwise) with the topics DDE_Control, DDE_AsyncResponse and
// DDE_DynamicData and the item Data. Requests are answered in their reply;
// executes are worked on one at a time per client, and each response goes to
// that client alone through its hot link on DDE_AsyncResponse.
//
// A client is a thread of a process: all conversations whose partner window
// belongs to the same thread are one client, as one link makes them.
#pragma once

#include "simhost/session_core.h"

#include <windows.h>

#include <ddeml.h>

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace talvex::ddesim {

class DdeSimHost : private simhost::SessionPort {
public:
    enum class StartResult { Serving, ServiceTaken, Failed };

    // `writeText` receives what rtftextnl() puts in the host's text window.
    explicit DdeSimHost(simhost::CommandInterpreter::TextSink writeText);
    ~DdeSimHost() override;
    DdeSimHost(const DdeSimHost&) = delete;
    DdeSimHost& operator=(const DdeSimHost&) = delete;

    // Registers `service`, unless a live server already offers it. `error`
    // explains a refusal. One host a thread: DDEML's callback carries no
    // context of its own.
    StartResult Start(const std::string& service, std::string* error);

    // Serves until Exit has come and the last client has left; the exit
    // status of the program.
    int Run();

private:
    enum class Topic { Control, Async, Dynamic };

    struct Conversation {
        Topic topic;
        simhost::ClientId client; // the client it belongs to
        bool advised = false;
        std::deque<std::string> dynamicOut; // CF_TEXT bytes not yet pushed
    };
    struct Client {
        DWORD process = 0;
        DWORD thread = 0;
        HWND window = nullptr;            // partner window, when no thread is known
        std::deque<std::string> asyncOut; // CF_TEXT bytes not yet pushed
    };

    static HDDEDATA CALLBACK DdeCallback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                         HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HDDEDATA OnCallback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data);
    bool TopicOf(HSZ hsz, Topic* topic) const;
    std::string StringOf(HSZ hsz) const;
    void AddConversation(HCONV conv, Topic topic);
    void RemoveConversation(HCONV conv);
    Client* ClientOf(HCONV conv);

    HDDEDATA Request(HCONV conv, HSZ item, UINT format);
    HDDEDATA Execute(HCONV conv, HDDEDATA data);
    HDDEDATA AdviseRequest(HCONV conv, HSZ item);

    void DropClient(simhost::ClientId client);

    // The session core's port: hot links and window timers. Nothing of it
    // acts inside a DDEML callback.
    void Respond(simhost::ClientId client, const std::string& response) override;
    void PushDynamic(const std::string& data) override;
    void StartTimer(simhost::ClientId client, int ms) override;
    void StopTimer(simhost::ClientId client) override;
    void ScheduleEnd() override;
    void EndClient(simhost::ClientId client) override;
    void EndHost() override;

    void ScheduleWork();
    void DoScheduledWork();
    void DropVanishedClients();
    void PushOut();

    DWORD instance_ = 0;
    HWND window_ = nullptr; // message-only: timers and work after a callback returns
    HSZ service_ = nullptr;
    HSZ control_ = nullptr;
    HSZ async_ = nullptr;
    HSZ dynamic_ = nullptr;
    HSZ data_ = nullptr;
    bool registered_ = false;
    std::map<HCONV, Conversation> conversations_;
    std::map<simhost::ClientId, Client> clients_;
    bool workScheduled_ = false;
    bool postTaken_ = false; // the current DdePostAdvise has handed out its one text
    simhost::SessionCore sessions_;
};

} // namespace talvex::ddesim
