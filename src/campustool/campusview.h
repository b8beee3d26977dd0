#pragma once

#include <map>
#include <string>

// One room as the broker shows it.
struct RoomView
{
    std::string status; // "online", "offline", or empty when none is known
    bool hasState = false;
    std::string power = "unknown";
    std::string source = "unknown";
    std::string projector;
    std::string changed; // the state's time of its last change
    // The panel's last answer to a power command: result "refused" or
    // "failed", the value it was asked and its reason.
    std::string answerResult, answerValue, answerReason;

    bool IsOnline() const { return status == "online"; }
};

// The rooms of a campus, built from the messages on PREFIX/ROOM/status,
// PREFIX/ROOM/state and PREFIX/ROOM/event; sorted by name.
class CampusView
{
public:
    explicit CampusView(std::string prefix) : m_prefix(std::move(prefix)) {}

    // Takes one message; anything that is no room's status, state or
    // command event is left aside. An empty payload clears what it replaced.
    void Take(const std::string& topic, const std::string& payload);
    // Forgets the panels' answers taken so far.
    void ForgetAnswers();
    const std::map<std::string, RoomView>& Rooms() const { return m_rooms; }

private:
    std::string m_prefix;
    std::map<std::string, RoomView> m_rooms;
};
