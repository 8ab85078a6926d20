#pragma once

namespace sollist::batch {

// The run over all open orders, on the process's default connection (connected).
void RunOrderHours();

} // namespace sollist::batch
