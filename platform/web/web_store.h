// The browser's store: the game's records as items of the site's localStorage.
#pragma once

#include "platform/store.h"

// The browser store's steps, to pass to installStore: items "brinvale/game", "brinvale/scores" and
// "brinvale/settings", set aside under "brinvale/NAME.aside/REASON-STAMP". Called through
// programStore() by the page's main().
const StoreSteps* webStore();
