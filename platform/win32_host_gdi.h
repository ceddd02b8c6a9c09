// Host declarations of the GDI device-context and device-independent bitmap functions.
#pragma once
