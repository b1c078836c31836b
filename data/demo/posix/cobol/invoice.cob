      *> Invoice printer: reads the lines of one invoice from
      *> data/invoice.dat (item code, description, quantity, unit
      *> price in cents, tax class) and prints them with the tax of
      *> each line, as TAXCALC computes it, and the invoice totals.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. INVOICE.

       ENVIRONMENT DIVISION.
       INPUT-OUTPUT SECTION.
       FILE-CONTROL.
           SELECT INVOICE-FILE ASSIGN TO "data/invoice.dat"
               ORGANIZATION IS LINE SEQUENTIAL
               FILE STATUS IS WS-FILE-STATUS.

       DATA DIVISION.
       FILE SECTION.
       FD  INVOICE-FILE.
       01  INVOICE-LINE.
           05  IL-ITEM             PIC X(8).
           05  IL-DESC             PIC X(20).
           05  IL-QTY              PIC 9(5).
           05  IL-PRICE            PIC 9(7).
           05  IL-TAX-CLASS        PIC X.

       WORKING-STORAGE SECTION.
       01  WS-FILE-STATUS          PIC XX.
           88  WS-FILE-OK          VALUE "00".
           88  WS-END-OF-FILE      VALUE "10".
       01  WS-NET                  PIC S9(9)V99 COMP-3.
       01  WS-TAX                  PIC S9(9)V99 COMP-3.
       01  WS-TAX-STATUS           PIC 9.
       01  WS-TOTALS.
           05  WS-TOTAL-NET        PIC S9(9)V99 COMP-3 VALUE ZERO.
           05  WS-TOTAL-TAX        PIC S9(9)V99 COMP-3 VALUE ZERO.
           05  WS-LINE-COUNT       PIC 9(4) VALUE ZERO.
       01  PRINT-LINE.
           05  PL-ITEM             PIC X(8).
           05  FILLER              PIC X(2) VALUE SPACES.
           05  PL-DESC             PIC X(20).
           05  PL-QTY              PIC ZZ,ZZ9.
           05  FILLER              PIC X(2) VALUE SPACES.
           05  PL-NET              PIC Z,ZZZ,ZZ9.99-.
           05  FILLER              PIC X(2) VALUE SPACES.
           05  PL-TAX              PIC ZZZ,ZZ9.99-.
       01  TOTAL-LINE.
           05  TL-LABEL            PIC X(36).
           05  TL-AMOUNT           PIC Z,ZZZ,ZZ9.99-.

       PROCEDURE DIVISION.
       MAIN-PARAGRAPH.
           OPEN INPUT INVOICE-FILE
           IF NOT WS-FILE-OK
               DISPLAY "INVOICE: cannot open data/invoice.dat, status "
                   WS-FILE-STATUS
               MOVE 2 TO RETURN-CODE
               STOP RUN
           END-IF
           DISPLAY "ITEM      DESCRIPTION            QTY"
                   "            NET          TAX"
           PERFORM UNTIL WS-END-OF-FILE
               READ INVOICE-FILE
                   AT END CONTINUE
                   NOT AT END PERFORM PRINT-INVOICE-LINE
               END-READ
           END-PERFORM
           CLOSE INVOICE-FILE
           MOVE "NET" TO TL-LABEL
           MOVE WS-TOTAL-NET TO TL-AMOUNT
           DISPLAY TOTAL-LINE
           MOVE "TAX" TO TL-LABEL
           MOVE WS-TOTAL-TAX TO TL-AMOUNT
           DISPLAY TOTAL-LINE
           MOVE "TOTAL DUE" TO TL-LABEL
           COMPUTE TL-AMOUNT = WS-TOTAL-NET + WS-TOTAL-TAX
           DISPLAY TOTAL-LINE
           STOP RUN.

       PRINT-INVOICE-LINE.
           ADD 1 TO WS-LINE-COUNT
           COMPUTE WS-NET = IL-QTY * IL-PRICE / 100
           CALL "TAXCALC" USING WS-NET, IL-TAX-CLASS,
                                WS-TAX, WS-TAX-STATUS
           IF WS-TAX-STATUS NOT = ZERO
               DISPLAY "INVOICE: line " WS-LINE-COUNT
                   " has an unknown tax class " IL-TAX-CLASS
               MOVE 1 TO RETURN-CODE
           END-IF
           ADD WS-NET TO WS-TOTAL-NET
           ADD WS-TAX TO WS-TOTAL-TAX
           MOVE IL-ITEM TO PL-ITEM
           MOVE IL-DESC TO PL-DESC
           MOVE IL-QTY TO PL-QTY
           MOVE WS-NET TO PL-NET
           MOVE WS-TAX TO PL-TAX
           DISPLAY PRINT-LINE.
