#pragma once

#include "ScriptedBackend.h"
#include "TempDataHome.h"
#include "audio/AudioEngine.h"
#include "persistence/Store.h"
#include "viewmodels/PlayerViewModel.h"

#include <memory>

// A real player view model over the real engine, store and a private data folder; the engine
// plays through the scripted player, so a test sets positions and lengths at will.
struct PlayerRig
{
    PlayerRig()
    {
        auto owned = std::make_unique<ScriptedBackend>();
        backend = owned.get();
        engine = std::make_unique<AudioEngine>(std::move(owned), nullptr, AudioEngine::Options{});
        player = std::make_unique<PlayerViewModel>(*engine, store);
    }

    static Track track(qint64 id, const QString &judul, const QString &ustadz,
                       std::optional<qint64> duration)
    {
        Track track;
        track.id = id;
        track.filename = QStringLiteral("kajian-%1.mp3").arg(id);
        track.slug = QStringLiteral("kajian-nomor-%1").arg(id);
        track.judul = judul;
        track.ustadz = ustadz;
        track.durationSeconds = duration;
        return track;
    }

    TempDataHome home; // before the store: it fixes where the store's folder is
    Store store;
    ScriptedBackend *backend = nullptr;
    std::unique_ptr<AudioEngine> engine;
    std::unique_ptr<PlayerViewModel> player;
};
