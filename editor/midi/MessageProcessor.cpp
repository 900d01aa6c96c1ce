#include "MessageProcessor.h"

MessageProcessor::MessageProcessor() = default;

MessageProcessor::MessageProcessor(long port, RemoteMemAPI* service, int filterType)
    : m_port(port), m_service(service), m_filterType(filterType)
{
}

MessageProcessor::~MessageProcessor() = default;
