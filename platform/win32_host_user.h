// Host declarations of the spooler, registry and user-interface functions used by DomaUI.
#pragma once
