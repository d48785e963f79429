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

    TempDataHome home; // before the store: it fixes where the store's folder is
    Store store;
    ScriptedBackend *backend = nullptr;
    std::unique_ptr<AudioEngine> engine;
    std::unique_ptr<PlayerViewModel> player;
};
