#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// The host's message boxes. Each message is recorded with its buttons and answered from a script of
// answers (button indices) given beforehand, else by a callback, else with the first button. Host thread.
class SimAlert : public HostObject<Quorvane::IAlert>
{
public:
    struct Message
    {
        std::u16string text;
        std::u16string button1;
        std::u16string button2; // empty when the box had one button
        int32 answer;
    };

    explicit SimAlert(HostContextRef host);

    int32 showMessage(const char16_t* text, const char16_t* button1, const char16_t* button2) override;

    // Host side.
    void scriptAnswer(int32 button);
    // Asked for the answer when the script is empty.
    void setAnswerer(std::function<int32(const Message&)> answerer);
    std::vector<Message> messages();
    void clearMessages();

private:
    std::mutex m_mutex;
    std::deque<int32> m_script;
    std::function<int32(const Message&)> m_answerer;
    std::vector<Message> m_messages;
};

} // namespace simhost
