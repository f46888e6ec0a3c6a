#pragma once
// The program's token in the user-agent text: a value "Tabvane 6.01"="IEAK" under the local
// machine's "Post Platform" key while the program runs. Tokens of older versions and of the
// older product name are removed at every start and exit.

#include <QString>

#include <thread>

extern const QString UserAgentPostPlatformKey;
extern const QString UserAgentTokenName;   // "Tabvane 6.01"

// add true at main-window creation, false at its destruction. Failures are ignored: a
// user without write access simply gets no token.
void UpdateUserAgentToken(bool add);

// Adds the token on a worker thread, for the start-up: its writes wait on the disk for tens
// of milliseconds while the rest of the window is made. Join() waits for them; the
// destructor joins too, also when creation is abandoned by an exception.
class TUserAgentTokenWriter {
public:
    TUserAgentTokenWriter() : m_thread([] { UpdateUserAgentToken(true); }) {}
    ~TUserAgentTokenWriter() { Join(); }
    TUserAgentTokenWriter(const TUserAgentTokenWriter &) = delete;
    TUserAgentTokenWriter &operator=(const TUserAgentTokenWriter &) = delete;
    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::thread m_thread;
};
