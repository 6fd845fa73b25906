; Drives file-dov inside a headless GIMP. scripts/test-gimp.sh defines
; dov-out (the output folder), dov-samples (documents to open) and
; dov-damaged (files that must be refused or opened with a warning), loads
; this file, and judges the "DOVTEST" lines it prints and the files it
; writes.

(define (dov-say . parts)
  (gimp-message (apply string-append "DOVTEST " parts)))

(define (dov-path name) (string-append dov-out "/" name))

(define (dov-base path)
  ; The file name without its folder and extension.
  (let* ((chars (string->list path))
         (slash (let loop ((l chars) (i 0) (last -1))
                  (if (null? l) last (loop (cdr l) (+ i 1) (if (char=? (car l) #\/) i last)))))
         (name (substring path (+ slash 1) (string-length path))))
    (substring name 0 (- (string-length name) 4))))

; The layers of an image bottom first, which is frame order.
(define (dov-frame-layers img)
  (let* ((got (gimp-image-get-layers img)) (n (car got)) (v (cadr got)))
    (let loop ((i (- n 1)) (out '()))
      (if (< i 0) (reverse out) (loop (- i 1) (cons (vector-ref v i) out))))))

(define (dov-join strings)
  (if (null? strings) ""
      (let loop ((l (cdr strings)) (s (car strings)))
        (if (null? l) s (loop (cdr l) (string-append s "|" (car l)))))))

(define (dov-base-type img)
  (let ((t (car (gimp-image-base-type img))))
    (cond ((= t RGB) "rgb") ((= t GRAY) "grey") (else "indexed"))))

; Each layer written as PREFIX-K.png, K the frame number from 0.
(define (dov-export-layers img prefix)
  (let loop ((layers (dov-frame-layers img)) (k 0))
    (if (not (null? layers))
        (let ((file (dov-path (string-append prefix "-" (number->string k) ".png"))))
          (file-png-save-defaults RUN-NONINTERACTIVE img (car layers) file file)
          (loop (cdr layers) (+ k 1))))))

(define (dov-describe tag img)
  (dov-say tag " layers=" (number->string (length (dov-frame-layers img)))
           " type=" (dov-base-type img)
           " names=" (dov-join (map (lambda (l) (car (gimp-item-get-name l))) (dov-frame-layers img)))))

; ---- Open every sample: one layer per frame ------------------------------------
(define (dov-open-samples)
  (for-each
   (lambda (path)
     (let ((img (car (file-dov-load RUN-NONINTERACTIVE path path))))
       (dov-describe (string-append "open " (dov-base path)) img)
       (dov-export-layers img (string-append "open-" (dov-base path)))
       (gimp-image-delete img)))
   dov-samples))

; ---- The thumbnail is the first frame -----------------------------------------
(define (dov-thumbnail)
  (let* ((path (car dov-samples))
         (got (file-dov-load-thumb path 128))
         (img (car got)))
    (dov-say "thumb " (dov-base path) " width=" (number->string (cadr got))
             " height=" (number->string (caddr got)) " frames=" (number->string (list-ref got 4))
             " layers=" (number->string (length (dov-frame-layers img))))
    (gimp-image-delete img)))

; ---- Save a three-layer image ---------------------------------------------------
(define (dov-add-layer img w h name)
  (let ((layer (car (gimp-layer-new img w h RGBA-IMAGE name 100 LAYER-MODE-NORMAL))))
    (gimp-image-insert-layer img layer 0 0)
    layer))

(define (dov-fill layer colour)
  (gimp-context-set-foreground colour)
  (gimp-drawable-edit-fill layer FILL-FOREGROUND))

(define (dov-three-layers)
  (let* ((img (car (gimp-image-new 48 32 RGB)))
         (l1 (dov-add-layer img 48 32 "Frame 1 (100ms)"))
         (l2 (dov-add-layer img 20 10 "Frame 2 (250ms) (replace)"))
         (l3 (dov-add-layer img 48 32 "Frame 3 (40ms)")))
    (gimp-context-set-antialias FALSE)
    (dov-fill l1 '(200 30 40))
    (gimp-image-select-rectangle img CHANNEL-OP-REPLACE 4 4 20 10)
    (dov-fill l1 '(10 200 90))
    (gimp-selection-none img)
    ; The second layer is smaller than the canvas and runs past its corner.
    (gimp-layer-set-offsets l2 30 25)
    (dov-fill l2 '(20 40 220))
    (gimp-drawable-fill l3 FILL-TRANSPARENT)
    (gimp-image-select-ellipse img CHANNEL-OP-REPLACE 8 6 30 20)
    (dov-fill l3 '(250 220 10))
    (gimp-selection-none img)
    img))

(define (dov-save img name compression quality composite)
  (let ((file (dov-path name)))
    (file-dov-save RUN-NONINTERACTIVE img (car (gimp-image-get-active-drawable img)) file file
                   compression quality composite)))

; What each layer looks like on the canvas, written as PREFIX-K.png.
(define (dov-export-on-canvas img prefix)
  (let ((copy (car (gimp-image-duplicate img))))
    (for-each (lambda (l) (gimp-layer-resize-to-image-size l)) (dov-frame-layers copy))
    (dov-export-layers copy prefix)
    (gimp-image-delete copy)))

; The visible composite, written as PREFIX-0.png.
(define (dov-export-composite img prefix)
  (let* ((copy (car (gimp-image-duplicate img)))
         (merged (car (gimp-image-merge-visible-layers copy CLIP-TO-IMAGE)))
         (file (dov-path (string-append prefix "-0.png"))))
    (gimp-layer-resize-to-image-size merged)
    (file-png-save-defaults RUN-NONINTERACTIVE copy merged file file)
    (gimp-image-delete copy)))

; A saved document opened again: its layers written as reload-NAME-K.png.
(define (dov-reload name)
  (let* ((file (dov-path (string-append name ".dov")))
         (img (car (file-dov-load RUN-NONINTERACTIVE file file))))
    (dov-describe (string-append "reload " name) img)
    (dov-export-layers img (string-append "reload-" name))
    (gimp-image-delete img)))

(define (dov-save-three)
  (let ((img (dov-three-layers)))
    (dov-save img "three-zlib.dov" 0 0 0)
    (dov-save img "three-none.dov" 1 0 0)
    (dov-save img "three-lossy.dov" 2 90 0)
    (dov-save img "three-composite.dov" 0 0 1)
    (dov-export-on-canvas img "three-expected")
    (dov-export-composite img "three-composite-expected")
    (let ((indexed (car (gimp-image-duplicate img))))
      (gimp-image-convert-indexed indexed CONVERT-DITHER-NONE CONVERT-PALETTE-GENERATE 16 FALSE FALSE "")
      (dov-save indexed "three-indexed.dov" 0 0 0)
      (dov-export-on-canvas indexed "three-indexed-expected")
      (gimp-image-delete indexed))
    (let ((grey (car (gimp-image-duplicate img))))
      (gimp-image-convert-grayscale grey)
      (dov-save grey "three-grey.dov" 1 0 0)
      (dov-export-on-canvas grey "three-grey-expected")
      (gimp-image-delete grey))
    ; 16 bits a channel are saved with 8, after a warning.
    (let ((deep (car (gimp-image-duplicate img))))
      (gimp-image-convert-precision deep PRECISION-U16-GAMMA)
      (dov-save deep "three-16bit.dov" 0 0 0)
      (gimp-image-delete deep))
    ; Arguments out of range are refused, and nothing is written.
    (dov-say "bad-compression "
             (if (catch #f (dov-save img "bad-compression.dov" 3 0 0)) "saved" "refused"))
    (dov-say "bad-quality "
             (if (catch #f (dov-save img "bad-quality.dov" 2 101 0)) "saved" "refused"))
    (gimp-image-delete img)
    (for-each dov-reload '("three-zlib" "three-none" "three-lossy" "three-composite"
                           "three-indexed" "three-grey" "three-16bit"))))

; ---- Damaged, hostile and foreign files -------------------------------------------
(define (dov-open-damaged)
  (for-each
   (lambda (path)
     (let ((img (catch #f (car (file-dov-load RUN-NONINTERACTIVE path path)))))
       (if img
           (begin (dov-describe (string-append "damaged " (dov-base path) " opened") img)
                  (gimp-image-delete img))
           (dov-say "damaged " (dov-base path) " refused"))
       ; GIMP still answers after each one.
       (dov-say "alive " (car (gimp-version)))))
   dov-damaged))

(dov-open-samples)
(dov-thumbnail)
(dov-save-three)
(dov-open-damaged)
(dov-say "done")
