// The Linux store: the game's records as files in the user's XDG folders.
#pragma once

#include "platform/store.h"

// The Linux store's steps, to pass to installStore: the game in progress in $XDG_STATE_HOME/brinvale/,
// the best scores in $XDG_DATA_HOME/brinvale/, the settings in $XDG_CONFIG_HOME/brinvale/ (each under
// the home folder by default), found afresh at every call. Called through programStore() by main().
const StoreSteps* sdlStore();
