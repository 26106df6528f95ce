// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsabackend.h"
#include "controlcontract.h"
#include "tarvixcontrol.h"
#include "virtualcards.h"

#include <QCoreApplication>

#include <algorithm>
#include <map>

// The ALSA backend against the contract of every TarvixControl: virtual cards plugged and
// unplugged in its device folder, levels changed by amixer in another process.
class AlsaContractBackend final : public ContractBackend
{
public:
    std::unique_ptr<TarvixControl> create() override
    {
        return std::unique_ptr<TarvixControl>(AlsaBackend::createControl());
    }
    std::vector<std::string> presentIds(TarvixControl&) override
    {
        std::vector<std::string> ids;
        for (const auto& entry : plugged)
            ids.push_back(entry.first);
        return ids;
    }
    std::string plug(TarvixControl&) override
    {
        const QString cardId = QStringLiteral("Contract%1").arg(next);
        VirtualCards::Shape shape = VirtualCards::shape("classcompliant");
        shape.state.replace("state.Class", "state." + cardId)
            .replace("'Mic Capture Switch'", "'Line In 1 Phantom Power Capture Switch'");
        cards.plug(next, shape);
        return plugged.emplace("alsa:" + cardId.toStdString(), next++).first->first;
    }
    void unplug(TarvixControl&, const std::string& id) override
    {
        cards.unplug(plugged[id]);
        plugged.erase(id);
    }
    // The card's volume has 0.5 dB steps from -63.5 dB.
    void changeLevel(TarvixControl&, const std::string& id, float db) override
    {
        const int raw = std::clamp(int((db + 63.5f) * 2), 0, 127);
        cards.amixer(plugged[id], "PCM Playback Volume", QStringLiteral("%1,%1").arg(raw));
    }
    void changePhantomLeft(TarvixControl&, const std::string& id, bool on) override
    {
        cards.amixer(plugged[id], "Line In 1 Phantom Power Capture Switch", on ? "on" : "off");
    }

private:
    VirtualCards cards;
    std::map<std::string, int> plugged;
    int next = 0;
};

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    AlsaContractBackend backend;
    return runControlContract(backend, argc, argv);
}
