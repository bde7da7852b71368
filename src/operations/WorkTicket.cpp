#include "operations/WorkTicket.h"

#include "operations/UndoState.h"

WorkTicket::WorkTicket(UndoState& state)
    : m_state(&state)
{}

WorkTicket::~WorkTicket()
{
    if (m_state)
        m_state->setIsWorking(false);
}
