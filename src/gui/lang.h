// The phrase table, read from "lang/<code>.txt". No GL here.
#pragma once

constexpr int PHRASE_SLOTS = 256;
constexpr int PHRASE_BYTES = 128;

// The phrases the menu shows: the line numbers of the language files, counted from 1.
constexpr unsigned int PHRASE_NEW_GAME = 1;
constexpr unsigned int PHRASE_MULTIPLAYER = 2;
constexpr unsigned int PHRASE_OPTIONS = 3;
constexpr unsigned int PHRASE_CREDITS = 4;
constexpr unsigned int PHRASE_WEBSITE = 5;
constexpr unsigned int PHRASE_EXIT = 6;
constexpr unsigned int PHRASE_RUSSIAN = 7;
constexpr unsigned int PHRASE_ENGLISH = 8;
constexpr unsigned int PHRASE_CREATE_WORLD = 10;
constexpr unsigned int PHRASE_WORLD_NAME = 12;
constexpr unsigned int PHRASE_WORLD_TYPE = 13;
constexpr unsigned int PHRASE_WORLD_SIZE = 14;
constexpr unsigned int PHRASE_STANDARD = 15;
constexpr unsigned int PHRASE_SIZE_SMALL = 16; // then medium and large, one line each
constexpr unsigned int PHRASE_SIZE_LARGE = 18;
constexpr unsigned int PHRASE_SAVE = 19;
constexpr unsigned int PHRASE_ONE_CHUNK = 20; // then two and three chunks, one line each
constexpr unsigned int PHRASE_THREE_CHUNKS = 22;
constexpr unsigned int PHRASE_VIEW_DISTANCE = 23;
constexpr unsigned int PHRASE_BACK = 24;
constexpr unsigned int PHRASE_FOG_ON = 25;
constexpr unsigned int PHRASE_FOG_OFF = 26;
constexpr unsigned int PHRASE_FOG = 27;
constexpr unsigned int PHRASE_YOUR_WORLDS = 28;
constexpr unsigned int PHRASE_NO_WORLDS = 29;
constexpr unsigned int PHRASE_BAD_NAME = 30; // why a new world's name was refused

extern char frazes[PHRASE_SLOTS][PHRASE_BYTES]; // the phrases of the language in use

void lang_init(const char *code);
// Phrase n (0..255); the text changes when another language is loaded.
const char *lang_get(unsigned int n);
