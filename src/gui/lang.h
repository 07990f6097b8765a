// The phrase table, read from "lang/<code>.txt". No GL here.
#pragma once

constexpr int PHRASE_SLOTS = 256;
constexpr int PHRASE_BYTES = 128;

extern char frazes[PHRASE_SLOTS][PHRASE_BYTES];

void lang_init(const char *code);
// Phrase n (0..255); the text changes when another language is loaded.
const char *lang_get(unsigned int n);
