<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Messages</name>
    <message>
        <source>Cannot create file %1</source>
        <translation>Impossible de créer le fichier %1</translation>
    </message>
    <message>
        <source>Cannot open file %1</source>
        <translation>Impossible d’ouvrir le fichier %1</translation>
    </message>
    <message>
        <source>Cannot write file %1</source>
        <translation>Impossible d’écrire le fichier %1</translation>
    </message>
    <message>
        <source>Cannot read file %1</source>
        <translation>Impossible de lire le fichier %1</translation>
    </message>
    <message>
        <source>Cannot write to a saved report held in memory</source>
        <translation>Impossible d’écrire dans un rapport enregistré gardé en mémoire</translation>
    </message>
    <message>
        <source>Saved report %1 is damaged</source>
        <translation>Le rapport enregistré %1 est endommagé</translation>
    </message>
    <message>
        <source>Saved report is too large</source>
        <translation>Le rapport enregistré est trop volumineux</translation>
    </message>
    <message>
        <source>Page %1 is missing from the saved report</source>
        <translation>La page %1 manque dans le rapport enregistré</translation>
    </message>
    <message>
        <source>Page store has no stream</source>
        <translation>La réserve de pages n’a pas de flux</translation>
    </message>
    <message>
        <source>Compressed page data ends early</source>
        <translation>Les données de page compressées s’arrêtent trop tôt</translation>
    </message>
    <message>
        <source>Compressed page data is not valid</source>
        <translation>Les données de page compressées ne sont pas valides</translation>
    </message>
    <message>
        <source>Metafile is not valid</source>
        <translation>Le métafichier n’est pas valide</translation>
    </message>
    <message>
        <source>Metafile recording has ended</source>
        <translation>L’enregistrement du métafichier est terminé</translation>
    </message>
    <message>
        <source>Too many drawing objects in a page</source>
        <translation>Trop d’objets de dessin sur une page</translation>
    </message>
    <message>
        <source>Stream write error</source>
        <translation>Erreur d’écriture du flux</translation>
    </message>
    <message>
        <source>The page is too large to draw at %1 dpi</source>
        <translation>La page est trop grande pour être dessinée à %1 ppp</translation>
    </message>
    <message>
        <source>Report printer not ready</source>
        <translation>L’imprimante du rapport n’est pas prête</translation>
    </message>
    <message>
        <source>Illegal call to NewPage</source>
        <translation>Appel de NewPage non autorisé</translation>
    </message>
    <message>
        <source>There is no printer to print on any more: nothing was printed</source>
        <translation>Il n’y a plus d’imprimante sur laquelle imprimer&#xa0;: rien n’a été imprimé</translation>
    </message>
    <message>
        <source>There is no printer to print on</source>
        <translation>Il n’y a aucune imprimante sur laquelle imprimer</translation>
    </message>
    <message>
        <source>Printer index out of range</source>
        <translation>Indice d’imprimante hors limites</translation>
    </message>
    <message>
        <source>Cannot create the print job&apos;s file in %1</source>
        <translation>Impossible de créer le fichier de la tâche d’impression dans %1</translation>
    </message>
    <message>
        <source>Cannot start a print job on %1</source>
        <translation>Impossible de lancer une tâche d’impression sur %1</translation>
    </message>
    <message>
        <source>No print job is running</source>
        <translation>Aucune tâche d’impression n’est en cours</translation>
    </message>
    <message>
        <source>Cannot begin a new page on %1</source>
        <translation>Impossible de commencer une nouvelle page sur %1</translation>
    </message>
    <message>
        <source>The print job could not be handed to %1: %2</source>
        <translation>La tâche d’impression n’a pas pu être transmise à %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>The printer %1 is gone: nothing was printed</source>
        <translation>L’imprimante %1 n’existe plus&#xa0;: rien n’a été imprimé</translation>
    </message>
    <message>
        <source>The print service does not answer: nothing was printed on %1</source>
        <translation>Le service d’impression ne répond pas&#xa0;: rien n’a été imprimé sur %1</translation>
    </message>
    <message>
        <source>The print service does not answer: the job for %1 may or may not have been queued</source>
        <translation>Le service d’impression ne répond pas&#xa0;: la tâche pour %1 a peut-être été mise en file d’attente, peut-être pas</translation>
    </message>
    <message>
        <source>There is no room in the temporary folder %1 for the print job: nothing was printed</source>
        <translation>Il n’y a plus de place dans le dossier temporaire %1 pour la tâche d’impression&#xa0;: rien n’a été imprimé</translation>
    </message>
    <message>
        <source>The printer %1 has stopped, and the print job waits in its queue: %2</source>
        <translation>L’imprimante %1 s’est arrêtée, et la tâche d’impression attend dans sa file&#xa0;: %2</translation>
    </message>
    <message>
        <source>The printer %1 has stopped, and the print job waits in its queue</source>
        <translation>L’imprimante %1 s’est arrêtée, et la tâche d’impression attend dans sa file</translation>
    </message>
    <message>
        <source>Failed to create key %1</source>
        <translation>Impossible de créer la clé %1</translation>
    </message>
    <message>
        <source>Failed to get data for &apos;%1&apos;</source>
        <translation>Impossible de lire les données de «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>Invalid data type for &apos;%1&apos;</source>
        <translation>Type de données non valide pour «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>Failed to set data for &apos;%1&apos;</source>
        <translation>Impossible d’enregistrer les données de «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>«&#xa0;%1&#xa0;» n’est pas un nombre entier valide</translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>Indice de liste hors limites (%1)</translation>
    </message>
    <message>
        <source>A print job is already running</source>
        <translation>Une tâche d’impression est déjà en cours</translation>
    </message>
    <message>
        <source>Pages %1 to %2 are not in the report, which has %3 pages: nothing was printed</source>
        <translation>Les pages %1 à %2 ne sont pas dans le rapport, qui a %3 pages&#xa0;: rien n’a été imprimé</translation>
    </message>
    <message>
        <source>Pages %1 to %2 are not in the report, which has %3 page: nothing was printed</source>
        <translation>Les pages %1 à %2 ne sont pas dans le rapport, qui a %3 page&#xa0;: rien n’a été imprimé</translation>
    </message>
</context>
<context>
    <name>TFormBroodlog</name>
    <message>
        <source>Date/hive</source>
        <translation>Date/ruche</translation>
    </message>
    <message>
        <source>Revised the brood</source>
        <translation>Couvain contrôlé</translation>
    </message>
    <message>
        <source>+- boxes/frames</source>
        <translation>+- hausses/cadres</translation>
    </message>
    <message>
        <source>bee strenght</source>
        <translation>Force colonie</translation>
    </message>
    <message>
        <source>Swarming (1-5)</source>
        <translation>Essaimage (1-5)</translation>
    </message>
    <message>
        <source>Aggressivity (1-5)</source>
        <translation>Agressivité (1-5)</translation>
    </message>
    <message>
        <source>Steadiness (1-5)</source>
        <translation>Tenue cadre (1-5)</translation>
    </message>
    <message>
        <source>Diseas (1-5)</source>
        <translation>Maladie (1-5)</translation>
    </message>
    <message>
        <source>Honey harvest</source>
        <translation>Récolte de miel</translation>
    </message>
    <message>
        <source>feed given</source>
        <translation>Nourrissement</translation>
    </message>
    <message>
        <source>Varroa</source>
        <translation>Varroa</translation>
    </message>
    <message>
        <source>Varroa count</source>
        <translation>Comptage varroa</translation>
    </message>
    <message>
        <source>Disease</source>
        <translation>Maladie</translation>
    </message>
    <message>
        <source>Medicine/treatment</source>
        <translation>Médicament/traitement</translation>
    </message>
    <message>
        <source>extra1</source>
        <translation>Extra 1</translation>
    </message>
    <message>
        <source>extra2</source>
        <translation>Extra 2</translation>
    </message>
    <message>
        <source>extra3</source>
        <translation>Extra 3</translation>
    </message>
    <message>
        <source>extra4</source>
        <translation>Extra 4</translation>
    </message>
    <message>
        <source>remarks</source>
        <translation>Remarques</translation>
    </message>
    <message>
        <source>Apiary :</source>
        <translation>Rucher&#xa0;:</translation>
    </message>
    <message>
        <source>Date :</source>
        <translation>Date&#xa0;:</translation>
    </message>
    <message>
        <source>Record sheet</source>
        <translation>Fiche de visite</translation>
    </message>
    <message>
        <source>Record sheet – %1</source>
        <translation>Fiche de visite – %1</translation>
    </message>
</context>
<context>
    <name>TPrintProgressForm</name>
    <message>
        <source>Printing progress</source>
        <translation>Progression de l’impression</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>%1%  Completed</source>
        <translation>%1&#xa0;% terminé</translation>
    </message>
</context>
<context>
    <name>TUrlLabel</name>
    <message>
        <source>Opens the link</source>
        <translation>Ouvre le lien</translation>
    </message>
</context>
<context>
    <name>TWebOpener</name>
    <message>
        <source>Cannot open %1: no program to open web addresses is installed</source>
        <translation>Impossible d’ouvrir %1&#xa0;: aucun programme pour ouvrir les adresses web n’est installé</translation>
    </message>
    <message>
        <source>Cannot open %1</source>
        <translation>Impossible d’ouvrir %1</translation>
    </message>
</context>
<context>
    <name>Tbroodlogprint</name>
    <message>
        <source>print note</source>
        <translation>Imprimer la fiche</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fermer</translation>
    </message>
    <message>
        <source>configure</source>
        <translation>Configurer</translation>
    </message>
    <message>
        <source>&amp;Apiary</source>
        <translation>&amp;Rucher</translation>
    </message>
</context>
<context>
    <name>TfrmPreview</name>
    <message>
        <source>Report of data</source>
        <translation>Aperçu du rapport</translation>
    </message>
    <message>
        <source>First Page</source>
        <translation>Première page</translation>
    </message>
    <message>
        <source>Previous Page</source>
        <translation>Page précédente</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Page %1 sur %2</translation>
    </message>
    <message>
        <source>Next Page</source>
        <translation>Page suivante</translation>
    </message>
    <message>
        <source>Last Page</source>
        <translation>Dernière page</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Imprimer</translation>
    </message>
    <message>
        <source>Print at once</source>
        <translation>Imprimer directement</translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation>Enregistrer en PDF</translation>
    </message>
    <message>
        <source>close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>Fichiers PDF (*.pdf)</translation>
    </message>
    <message>
        <source>Preview toolbar</source>
        <translation>Barre d’outils de l’aperçu</translation>
    </message>
    <message>
        <source>The record sheet as it will be printed. Page Up and Page Down turn the pages; Control with plus or minus zooms.</source>
        <translation>La fiche de visite telle qu’elle sera imprimée. Page précédente et Page suivante tournent les pages&#xa0;; Ctrl avec plus ou moins change le zoom.</translation>
    </message>
    <message>
        <source>Zoom %1 percent</source>
        <translation>Zoom %1 pour cent</translation>
    </message>
</context>
<context>
    <name>TfrmSelectPrinter</name>
    <message>
        <source>Please wait...</source>
        <translation>Veuillez patienter…</translation>
    </message>
    <message>
        <source>Printer supports multiple copies</source>
        <translation>L’imprimante gère les copies multiples</translation>
    </message>
    <message>
        <source>Printer does not supports multiple copies</source>
        <translation>L’imprimante ne gère pas les copies multiples</translation>
    </message>
    <message>
        <source>No printer is installed: save the report with &quot;Save as PDF&quot; in the preview instead</source>
        <translation>Aucune imprimante installée&#xa0;: enregistrez le rapport en PDF depuis l’aperçu</translation>
    </message>
    <message>
        <source>Select the printer</source>
        <translation>Choisir l’imprimante</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>&amp;Imprimante</translation>
    </message>
    <message>
        <source>Print Range</source>
        <translation>Pages à imprimer</translation>
    </message>
    <message>
        <source>&amp;All pages</source>
        <translation>&amp;Toutes les pages</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>&amp;from:</source>
        <translation>&amp;de&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;to:</source>
        <translation>&amp;à&#xa0;:</translation>
    </message>
    <message>
        <source>Copies</source>
        <translation>Copies</translation>
    </message>
    <message>
        <source>Number of &amp;copies:</source>
        <translation>Nombre de &amp;copies&#xa0;:</translation>
    </message>
    <message>
        <source>Paperselection</source>
        <translation>Choix du papier</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>&amp;Par défaut</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message numerus="yes">
        <source>All %n pages</source>
        <translation>
            <numerusform>Tout (%n page)</numerusform>
            <numerusform>Tout (%n pages)</numerusform>
        </translation>
    </message>
    <message>
        <source>The page range %1 to %2 is reversed: the first page comes after the last</source>
        <translation>La plage de pages %1 à %2 est inversée&#xa0;: la première page vient après la dernière</translation>
    </message>
    <message numerus="yes">
        <source>Pages %1 to %2 are not in the report, which has %n page: nothing was printed</source>
        <translation>
            <numerusform>Les pages %1 à %2 ne sont pas dans le rapport, qui compte %n page&#xa0;: rien n’a été imprimé</numerusform>
            <numerusform>Les pages %1 à %2 ne sont pas dans le rapport, qui compte %n pages&#xa0;: rien n’a été imprimé</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Pages %1 to %2 are not in the report, which has %n pages: nothing was printed</source>
        <translation>
            <numerusform>Les pages %1 à %2 ne sont pas dans le rapport, qui compte %n page&#xa0;: rien n’a été imprimé</numerusform>
            <numerusform>Les pages %1 à %2 ne sont pas dans le rapport, qui compte %n pages&#xa0;: rien n’a été imprimé</numerusform>
        </translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Par défaut</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Personnalisé</translation>
    </message>
    <message>
        <source>The print service is not running: start it, or save the report with &quot;Save as PDF&quot; in the preview</source>
        <translation>Le service d’impression ne fonctionne pas&#xa0;: démarrez-le, ou enregistrez le rapport en PDF depuis l’aperçu</translation>
    </message>
    <message>
        <source>The print service does not answer: try again later, or save the report with &quot;Save as PDF&quot; in the preview</source>
        <translation>Le service d’impression ne répond pas&#xa0;: réessayez plus tard, ou enregistrez le rapport en PDF depuis l’aperçu</translation>
    </message>
</context>
<context>
    <name>Ttext_to_broodlog</name>
    <message>
        <source>Date or hive</source>
        <translation>Date ou ruche</translation>
    </message>
    <message>
        <source>Revised the brood</source>
        <translation>Couvain contrôlé</translation>
    </message>
    <message>
        <source>+- boxes/frames</source>
        <translation>+- hausses/cadres</translation>
    </message>
    <message>
        <source>bee strenght</source>
        <translation>Force colonie</translation>
    </message>
    <message>
        <source>Swarming (1-5)</source>
        <translation>Essaimage (1-5)</translation>
    </message>
    <message>
        <source>Aggressivity (1-5)</source>
        <translation>Agressivité (1-5)</translation>
    </message>
    <message>
        <source>Steadiness (1-5)</source>
        <translation>Tenue cadre (1-5)</translation>
    </message>
    <message>
        <source>Disease (1-5)</source>
        <translation>Maladie (1-5)</translation>
    </message>
    <message>
        <source>Honey harvest</source>
        <translation>Récolte de miel</translation>
    </message>
    <message>
        <source>feed given</source>
        <translation>Nourrissement</translation>
    </message>
    <message>
        <source>Varroa</source>
        <translation>Varroa</translation>
    </message>
    <message>
        <source>Varroa count</source>
        <translation>Comptage varroa</translation>
    </message>
    <message>
        <source>Disease</source>
        <translation>Maladie</translation>
    </message>
    <message>
        <source>Medicine or treatment</source>
        <translation>Médicament/traitement</translation>
    </message>
    <message>
        <source>extra text</source>
        <translation>Texte libre</translation>
    </message>
    <message>
        <source>remarks</source>
        <translation>Remarques</translation>
    </message>
    <message>
        <source>Text to big broodlog</source>
        <translation>Textes de la fiche de visite</translation>
    </message>
    <message>
        <source>Column number</source>
        <translation>N° de colonne</translation>
    </message>
    <message>
        <source>Column text</source>
        <translation>Texte de colonne</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>&amp;Par défaut</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Annuler</translation>
    </message>
    <message>
        <source>All %1 column texts are back to their defaults; nothing is saved before OK</source>
        <translation>Les %1 textes de colonne sont revenus à leurs valeurs par défaut&#xa0;; rien n’est enregistré avant OK</translation>
    </message>
</context>
</TS>
