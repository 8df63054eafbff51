// The program's Italian texts as the tests expect to read them, each written once here: the
// string table's messages (format strings as stored) and the fixed texts of the download and wait.
#pragma once

// The Static that holds a message box's text.
constexpr int MessageBoxTextId = 0xFFFF;

// The caption of the program's windows and message boxes.
constexpr char SetupCaption[] = "Ludra Setup";

// String table; %s and %c are filled in by the program.
constexpr char CopyNoSpaceText[] = "Errore nella copia del file %s.\nSpazio insufficiente.";
constexpr char CopyMissingText[] = "Errore nella copia del file %s.\nVerificare l'esistenza del file.";
constexpr char AlreadyInstalledText[] = "Attenzione! Nel percorso %s e' gia' presente l'installazione principale di "
                                        "LUDRA.\n Vuoi solo aggiornare l'installazione gia' presente?";
constexpr char DriveMissingText[] = "Attenzione! Il disco %c indicato nel percorso SERVER non e' disponibile.";
constexpr char IncompleteText[] = "Attenzione! L'installazione non e' stata completata correttamente.";
constexpr char FolderNotCreatedText[] = "Errore nella creazione del percorso SERVER indicato.";
constexpr char DoneText[] = "Installazione terminata con successo.\n\nUtilizzare il collegamento creato sul Desktop "
                            "per l'attivazione di LUDRA.";
constexpr char FolderExistsText[] = "Attenzione! Il percorso SERVER indicato gia' esiste.";

// The download's texts and the wait's Cancel confirmation.
constexpr char DownloadFailedText[] = "Attenzione! Connessione Internet non disponibile, download fallito.";
constexpr char DownloadingText[] = "Attenzione! Download in corso ....";
constexpr char DownloadCompletedText[] = "Download completato. Attendere fine installazione ....";
constexpr char CancelQuestion[] = "Confermi l'interruzione delle operazioni in corso?";
