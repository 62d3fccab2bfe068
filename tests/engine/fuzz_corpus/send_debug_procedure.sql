PROCEDURE SendDebugMessage (theMessage IN VARCHAR2, thePipe IN VARCHAR2 DEFAULT 'vexmoor') AS
	status	NUMBER;
	BEGIN
		dbms_pipe.pack_message(LENGTH(theMessage));
		dbms_pipe.pack_message(theMessage);
		status := dbms_pipe.send_message(thePipe);
		IF status != 0 THEN
			raise_application_error(-20099, 'Debug error');
		END IF;
	END SendDebugMessage;
