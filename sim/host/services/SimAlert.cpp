#include "SimAlert.h"

using namespace Quorvane;

namespace simhost {

SimAlert::SimAlert(HostContextRef host) : HostObject(std::move(host), "Alert") {}

int32 SimAlert::showMessage(const char16_t* text, const char16_t* button1, const char16_t* button2)
{
    hostThreadOnly("IAlert::showMessage");
    Message message{text ? text : u"", button1 ? button1 : u"", button2 ? button2 : u"", 0};
    std::function<int32(const Message&)> answerer;
    {
        std::lock_guard lock(m_mutex);
        if (!m_script.empty()) {
            message.answer = m_script.front();
            m_script.pop_front();
        } else {
            answerer = m_answerer;
        }
    }
    if (answerer)
        message.answer = answerer(message);
    std::lock_guard lock(m_mutex);
    m_messages.push_back(message);
    return message.answer;
}

void SimAlert::scriptAnswer(int32 button)
{
    std::lock_guard lock(m_mutex);
    m_script.push_back(button);
}

void SimAlert::setAnswerer(std::function<int32(const Message&)> answerer)
{
    std::lock_guard lock(m_mutex);
    m_answerer = std::move(answerer);
}

std::vector<SimAlert::Message> SimAlert::messages()
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

void SimAlert::clearMessages()
{
    std::lock_guard lock(m_mutex);
    m_messages.clear();
}

} // namespace simhost
