#pragma once

// The two start-up steps that give every window its look. main() runs both
// before it creates the first window.

// Registers the compiled-in fonts for the families "Myriad Pro" and
// "Myriad Pro Cond" where the system lacks them. The files carry other family
// names, so each added family is also made the substitute of the name the
// style sheet asks for.
void loadFonts();

// Applies the style sheet ":/styles/launcher" to the application.
void loadStyleSheet();
