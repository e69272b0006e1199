#include "PlexaString.h"

template class PlexaString<unsigned short*>;
