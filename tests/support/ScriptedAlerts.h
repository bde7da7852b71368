#pragma once

#include "platform/Alerts.h"

#include <QList>

#include <deque>
#include <functional>

// Answers alerts from a script and remembers everything shown. An alert nobody scripted is
// answered "OK" when that is its only button (error reports), and otherwise closed and noted
// as a problem; so is pressing a button its checkbox still keeps disabled.
class ScriptedAlerts : public Alerts
{
public:
    struct Reply
    {
        QString button;
        bool checked = false;
        std::optional<QString> text;
        std::optional<int> popupIndex;
    };

    // Queues the answer to the next alert: the button with this title.
    void answer(QString button) { m_script.push_back(Reply{std::move(button)}); }
    void answer(Reply reply) { m_script.push_back(std::move(reply)); }
    // Answers every alert not covered by the queue.
    void answerAll(std::function<Reply(const Alert&)> responder)
    {
        m_responder = std::move(responder);
    }

    AlertAnswer run(const Alert& alert) override;
    void bringToFront() override { ++raised; }
    void beep() override { ++beeps; }
    void haptic(Haptic pattern) override { haptics.append(pattern); }

    // The messages of every alert shown, in order.
    QStringList messages() const;
    int scriptedLeft() const { return int(m_script.size()); }

    QList<Alert> shown;
    QStringList problems;
    int beeps = 0;
    int raised = 0;
    QList<Haptic> haptics;

private:
    std::deque<Reply> m_script;
    std::function<Reply(const Alert&)> m_responder;
};
