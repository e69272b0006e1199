#include "ContextMessage.h"

namespace OrbelToolbox {

ContextMessageHolder::~ContextMessageHolder()
{
    if (!m_message)
        return;
    if (std::uncaught_exceptions() > m_uncaught) {
        // A destructor that runs while an exception unwinds must not raise another one.
        try {
            m_message->Print();
        } catch (...) {
        }
    }
    delete m_message;
}

}  // namespace OrbelToolbox
