// The voice-chat applications: a fixed table built into the client.
#pragma once

namespace kestro {

// Replaces `voices` of the client state with the eight built-in entries.
bool buildVoiceCatalogue();

}  // namespace kestro
