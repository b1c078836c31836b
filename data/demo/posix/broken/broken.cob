      *> Deliberately broken, to show how the output window jumps to
      *> errors: a data item that was never declared and a misspelt
      *> verb.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. BROKEN.

       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  WS-COUNT                PIC 9(4) VALUE ZERO.

       PROCEDURE DIVISION.
       MAIN-PARAGRAPH.
           ADD 1 TO WS-COUNT
           MOVE WS-COUNT TO WS-TOTAL
           DISPLY "COUNT " WS-COUNT
           STOP RUN.
